'use strict';
// The live board: state from the /ws feed, or from polling /api/live when a
// WebSocket cannot be opened. Every value is inserted with textContent, never as
// markup: driver names can hold anything.
(function () {
  var karts = document.getElementById('karts');
  var sessionTitle = document.getElementById('session');
  var status = document.getElementById('status');
  var message = document.getElementById('message');
  var pollTimer = null;
  var lastUpdate = 0;
  var socketOpen = false;

  function cell(row, cls, text) {
    var td = document.createElement('td');
    td.className = cls;
    td.textContent = text;
    row.appendChild(td);
    return td;
  }

  function addLine(td, cls, text) {
    if (!text) { return; }
    var span = document.createElement('span');
    span.className = cls;
    span.textContent = text;
    td.appendChild(span);
  }

  function show(live) {
    lastUpdate = Date.now();
    sessionTitle.textContent = live.session || 'RUVOTimer';
    message.textContent = live.message || '';
    var rows = document.createDocumentFragment();
    (live.karts || []).forEach(function (kart) {
      var row = document.createElement('tr');
      row.className = kart.stale ? 'stale' : '';
      cell(row, 'pos', String(kart.position));
      var driver = cell(row, 'driver', kart.driver);
      if (kart.stale) { addLine(driver, 'stale-mark', 'not heard'); }
      cell(row, 'lap', kart.lap !== undefined ? String(kart.lap) : String(kart.laps_kept));
      cell(row, 'running', kart.running || '');
      var last = cell(row, 'last', kart.last || '');
      addLine(last, 'gap ' + (kart.last_gap_sign === '+' ? 'slower' : 'faster'),
              kart.last ? (kart.last_gap_sign || '') + kart.last_gap : '');
      var best = cell(row, 'best', kart.best || '');
      addLine(best, 'gap behind', kart.best_gap || '');
      rows.appendChild(row);
    });
    karts.replaceChildren(rows);
  }

  function poll() {
    fetch('/api/live', { cache: 'no-store' })
      .then(function (r) { return r.json(); })
      .then(function (live) {
        // The first poll may answer after the WebSocket opened: that one is newer.
        if (socketOpen) { return; }
        show(live);
        status.textContent = 'Live (polling)';
      })
      .catch(function () { status.textContent = 'Station not reachable'; });
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
    var opened = false;
    ws.onopen = function () {
      opened = true;
      socketOpen = true;
      status.textContent = 'Live';
      if (pollTimer !== null) { clearInterval(pollTimer); pollTimer = null; }
    };
    ws.onmessage = function (event) {
      try { show(JSON.parse(event.data)); } catch (e) { /* a broken update waits for the next */ }
    };
    ws.onclose = function () {
      socketOpen = false;
      // Blocked WebSockets fall back to polling; a dropped one is tried again later.
      startPolling();
      setTimeout(connect, opened ? 2000 : 10000);
    };
  }

  poll();
  connect();
  // An open WebSocket is quiet while nothing changes; polling answers every
  // second, so five seconds without an answer mean old times on the screen.
  setInterval(function () {
    if (!socketOpen && lastUpdate && Date.now() - lastUpdate > 5000) {
      status.textContent = 'No updates';
    }
  }, 1000);
})();
