'use strict';
// Today's sessions with each kart's ten fastest laps. Names go in as text only.
(function () {
  var sessionsBox = document.getElementById('sessions');
  var title = document.getElementById('day');

  function pad(n) { return (n < 10 ? '0' : '') + n; }

  function element(tag, cls, text) {
    var e = document.createElement(tag);
    if (cls) { e.className = cls; }
    if (text !== undefined) { e.textContent = text; }
    return e;
  }

  function show(day) {
    title.textContent = 'Sessions of ' + day.day;
    var box = document.createDocumentFragment();
    if (day.error) { box.appendChild(element('p', 'message', day.error)); }
    if (!day.sessions.length) { box.appendChild(element('p', 'message', 'No sessions recorded')); }
    day.sessions.forEach(function (session) {
      box.appendChild(element('h2', '', session.label));
      var table = element('table');
      var head = element('tr');
      ['Pos', 'Driver', 'Lap', 'Time', 'Gap'].forEach(function (h) { head.appendChild(element('th', '', h)); });
      table.appendChild(head);
      session.karts.forEach(function (kart) {
        kart.fastest_laps.forEach(function (lap, i) {
          var row = element('tr');
          row.appendChild(element('td', 'pos', i === 0 ? String(kart.position) : ''));
          row.appendChild(element('td', 'driver', i === 0 ? kart.driver : ''));
          row.appendChild(element('td', 'lap', 'L:' + pad(lap.lap)));
          row.appendChild(element('td', 'time', lap.time));
          row.appendChild(element('td', 'gap behind', i === 0 ? '' : lap.gap));
          table.appendChild(row);
        });
      });
      box.appendChild(table);
    });
    sessionsBox.replaceChildren(box);
  }

  // The station's today, not the phone's.
  fetch('/api/live', { cache: 'no-store' })
    .then(function (r) { return r.json(); })
    .then(function (live) { return fetch('/api/sessions/' + live.today, { cache: 'no-store' }); })
    .then(function (r) { return r.json(); })
    .then(show)
    .catch(function () { sessionsBox.textContent = 'Station not reachable'; });
})();
