'use strict';
// What every page shares: the times as the pages write them, the theme switch,
// "follow my kart", and the live feed with the station's clock and the status
// line. Every value is inserted with textContent, never as markup.
var Ruvo = (function () {
  var STALE_AFTER_MS = 2500;   // the server sends something at least every second
  var RECONNECT_AFTER_MS = 6000;  // an open WebSocket this quiet is dead (a phone roamed)

  function pad2(n) { return (n < 10 ? '0' : '') + n; }

  // 32.67 under a minute, 1:02.33 from a minute up (digits: 2 hundredths, 1 tenths).
  function seconds(cs, digits) {
    var minutes = Math.floor(cs / 6000);
    var rest = cs - minutes * 6000;
    var whole = Math.floor(rest / 100);
    var fraction = digits === 2 ? pad2(rest % 100) : String(Math.floor((rest % 100) / 10));
    return (minutes > 0 ? minutes + ':' + pad2(whole) : String(whole)) + '.' + fraction;
  }
  function lapTime(cs) { return cs > 0 ? seconds(cs, 2) : ''; }
  function gap(cs) { return (cs < 0 ? '-' : '+') + seconds(Math.abs(cs), 2); }
  function running(ms) { return seconds(Math.max(0, Math.floor(ms / 10)), 1); }
  function clock(totalSeconds) {
    var s = Math.max(0, Math.floor(totalSeconds));
    return pad2(Math.floor(s / 3600)) + ':' + pad2(Math.floor(s / 60) % 60) + ':' + pad2(s % 60);
  }

  function stored(key) {
    try { return localStorage.getItem(key); } catch (e) { return null; }
  }
  function store(key, value) {
    try {
      if (value === null) { localStorage.removeItem(key); } else { localStorage.setItem(key, value); }
    } catch (e) { /* private mode: kept for this page only */ }
  }

  // The light, high-contrast theme for sunlight: one tap, remembered (theme.js
  // applies it before the first paint).
  function setupTheme() {
    var button = document.getElementById('theme');
    if (!button) { return; }
    function show() {
      button.textContent = document.documentElement.classList.contains('light') ? 'Dark' : 'Light';
    }
    button.addEventListener('click', function () {
      var light = document.documentElement.classList.toggle('light');
      store('ruvo.theme', light ? 'light' : null);
      show();
    });
    show();
  }

  function followed() { return Number(stored('ruvo.follow')) || 0; }
  function toggleFollow(slot) { store('ruvo.follow', followed() === slot ? null : String(slot)); }

  // The live feed: /ws, or polling /api/live once a second where a WebSocket cannot
  // be opened. onState(live) gets every state; onTick() runs ten times a second
  // while the feed is fresh. The page goes stale (body.stale, the status says since
  // when) when nothing came for STALE_AFTER_MS, and stays so, without flicker, until
  // something comes again.
  function feed(onState, onTick) {
    var status = document.getElementById('status');
    var lastMessage = performance.now();  // of the last message (or of the start)
    var sync = null;      // the station's now_ms and performance.now() when it came
    var latest = null;    // the last state
    var socket = null;
    var socketOpen = false;
    var pollTimer = null;
    var stale = false;

    function stationNow() { return sync ? sync.station + (performance.now() - sync.page) : 0; }
    // The station's time of day (ms) at its SteadyMs() t.
    function timeOfDay(t) {
      return latest ? (latest.time_of_day_ms + (t - latest.at_ms)) % 86400000 : 0;
    }

    function setStatus(text) {
      if (status && status.textContent !== text) { status.textContent = text; }
    }
    function fresh() {
      if (stale) {
        stale = false;
        document.body.classList.remove('stale');
      }
      setStatus(socketOpen ? 'Live' : 'Live (polling)');
    }
    function received(message) {
      lastMessage = performance.now();
      if (typeof message.now_ms === 'number') {
        sync = { station: message.now_ms, page: lastMessage };
      }
      if (!message.heartbeat) {
        latest = message;
        onState(message);
      }
      fresh();
    }

    function poll() {
      fetch('/api/live', { cache: 'no-store' })
        .then(function (r) { return r.json(); })
        .then(function (live) {
          // The first poll may answer after the WebSocket opened: that one is newer.
          if (!socketOpen) { received(live); }
        })
        .catch(function () { /* the stale check tells */ });
    }
    function startPolling() {
      if (pollTimer === null) {
        poll();
        pollTimer = setInterval(poll, 1000);
      }
    }

    function connect() {
      var ws;
      try {
        ws = new WebSocket((location.protocol === 'https:' ? 'wss://' : 'ws://') + location.host + '/ws');
      } catch (e) {
        startPolling();
        return;
      }
      socket = ws;
      var opened = false;
      ws.onopen = function () {
        opened = true;
        socketOpen = true;
        if (pollTimer !== null) { clearInterval(pollTimer); pollTimer = null; }
      };
      ws.onmessage = function (event) {
        try { received(JSON.parse(event.data)); } catch (e) { /* a broken message waits for the next */ }
      };
      ws.onclose = function () {
        if (socket !== ws) { return; }
        socket = null;
        socketOpen = false;
        // Blocked WebSockets fall back to polling; a dropped one is tried again soon.
        startPolling();
        setTimeout(connect, opened ? 2000 : 10000);
      };
    }

    setInterval(function () {
      var quiet = performance.now() - lastMessage;
      if (quiet > STALE_AFTER_MS && !stale) {
        stale = true;
        document.body.classList.add('stale');
        // Said once, as of the last message: the text stays until news come.
        setStatus(sync ? 'No updates since ' + clock(timeOfDay(sync.station) / 1000)
                       : 'Station not reachable');
      }
      if (socketOpen && quiet > RECONNECT_AFTER_MS) {
        // Open but silent: the connection died without a close. A new one.
        var dead = socket;
        socket = null;
        socketOpen = false;
        dead.onclose = null;
        dead.close();
        lastMessage = performance.now() - STALE_AFTER_MS;  // stays stale meanwhile
        startPolling();
        connect();
      }
      if (!stale && latest && onTick) { onTick(); }
    }, 100);

    poll();
    connect();
    return { stationNow: stationNow, timeOfDay: timeOfDay };
  }

  // The records the station sends with every state (best of the day and of the
  // month, from its records index and the running session) as rows of tbody, names
  // as text only; the number of records shown.
  function recordRows(tbody, records) {
    var rows = document.createDocumentFragment();
    var count = 0;
    [['day', 'Best of the day'], ['month', 'Best of the month']].forEach(function (kind) {
      var best = records && records[kind[0]];
      if (!best) { return; }
      count += 1;
      // What and when on a line of its own, so a narrow panel keeps the name whole.
      var head = document.createElement('tr');
      head.className = 'record-head ' + kind[0];
      var label = document.createElement('td');
      label.className = 'record-label';
      label.colSpan = 2;
      label.textContent = kind[1] + ' \u00b7 ' + best.date;
      head.appendChild(label);
      var row = document.createElement('tr');
      row.className = 'record ' + kind[0];
      var driver = document.createElement('td');
      driver.className = 'driver';
      driver.textContent = best.driver;
      var time = document.createElement('td');
      time.className = 'best session-best';
      time.textContent = lapTime(best.lap_cs);
      row.appendChild(driver);
      row.appendChild(time);
      rows.appendChild(head);
      rows.appendChild(row);
    });
    tbody.replaceChildren(rows);
    return count;
  }

  return {
    lapTime: lapTime, gap: gap, running: running, clock: clock, recordRows: recordRows,
    setupTheme: setupTheme, followed: followed, toggleFollow: toggleFollow, feed: feed
  };
})();
