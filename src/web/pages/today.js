'use strict';
// Today's sessions: each kart's every lap where the session has a lap log, else its
// ten fastest. Names go in as text only.
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

  // One kart's rows: position and driver on the first only.
  function kartRows(table, kart, laps, everyLap) {
    laps.forEach(function (lap, i) {
      var row = element('tr');
      row.appendChild(element('td', 'pos', i === 0 ? String(kart.position) : ''));
      row.appendChild(element('td', 'driver', i === 0 ? kart.driver : ''));
      row.appendChild(element('td', 'lap', 'L:' + pad(lap.lap)));
      // Every lap in the order driven: the best one stands out, the others show
      // their gap to it. The ten fastest are in order already.
      var best = everyLap ? lap.best : i === 0;
      row.appendChild(element('td', best ? 'time fastest' : 'time', lap.time));
      row.appendChild(element('td', 'lap-gap behind', best ? '' : lap.gap));
      table.appendChild(row);
    });
    if (kart.laps_deleted > 0) {
      var note = element('tr');
      var cell = element('td', 'behind', kart.laps_deleted === 1 ? '1 lap deleted' :
        kart.laps_deleted + ' laps deleted');
      cell.colSpan = 5;
      note.appendChild(element('td'));
      note.appendChild(cell);
      table.appendChild(note);
    }
  }

  function show(day) {
    title.textContent = 'Sessions of ' + day.day;
    var box = document.createDocumentFragment();
    if (day.error) { box.appendChild(element('p', 'message', day.error)); }
    if (!day.sessions.length) { box.appendChild(element('p', 'message', 'No sessions recorded')); }
    day.sessions.forEach(function (session) {
      box.appendChild(element('h2', '', session.label));
      box.appendChild(element('p', 'status', session.every_lap ? 'Every lap' : 'Ten fastest laps'));
      var table = element('table');
      var head = element('tr');
      ['Pos', 'Driver', 'Lap', 'Time', 'Gap'].forEach(function (h) { head.appendChild(element('th', '', h)); });
      table.appendChild(head);
      session.karts.forEach(function (kart) {
        kartRows(table, kart, session.every_lap ? kart.laps : kart.fastest_laps, session.every_lap);
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
