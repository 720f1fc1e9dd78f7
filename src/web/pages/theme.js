'use strict';
// Loaded in the head, before the page is drawn: the light theme a phone chose
// (feed.js switches it) shows from the first paint, without a dark flash.
(function () {
  try {
    if (localStorage.getItem('ruvo.theme') === 'light') {
      document.documentElement.classList.add('light');
    }
  } catch (e) { /* storage blocked: the dark theme */ }
})();
