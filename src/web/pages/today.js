'use strict';
// The sessions of a day: the best of the day, then each kart's every lap where the
// session has a lap log, else its ten fastest. Today by default (the station's
// today, not the phone's), read again whenever a session has been recorded;
// another day from the list of days with sessions (?day=yyyy_mm_dd, kept on
// reload). Names go in as text only.
(function () {
  var sessionsBox = document.getElementById('sessions');
  var title = document.getElementById('day');
  var picker = document.getElementById('days');
  var wanted = new URLSearchParams(location.search).get('day') || '';
  var today = '';
  var recorded = -1;

  function pad(n) { return (n < 10 ? '0' : '') + n; }

  function element(tag, cls, text) {
    var e = document.createElement(tag);
    if (cls) { e.className = cls; }
    if (text !== undefined) { e.textContent = text; }
    return e;
  }

  function headRow(table, names) {
    var head = element('tr');
    names.forEach(function (h) { head.appendChild(element('th', '', h)); });
    table.appendChild(head);
  }

  // One kart's rows: position, kart and driver on the first only.
  function kartRows(table, kart, laps, everyLap) {
    laps.forEach(function (lap, i) {
      var row = element('tr');
      row.appendChild(element('td', 'pos', i === 0 ? String(kart.position) : ''));
      row.appendChild(element('td', 'kart', i === 0 ? String(kart.slot) : ''));
      var driver = element('td', 'driver', i === 0 ? kart.driver : '');
      if (i === 0 && kart.laps_completed !== undefined) {
        driver.appendChild(element('span', 'gap behind',
          kart.laps_completed === 1 ? '1 lap' : kart.laps_completed + ' laps'));
      }
      row.appendChild(driver);
      row.appendChild(element('td', 'lap', 'L:' + pad(lap.lap)));
      // Every lap in the order driven: the best one stands out, the others show
      // their gap to it. The ten fastest are in order already.
      var best = everyLap ? lap.best : i === 0;
      var mark = lap.fastest ? ' session-best' : best ? ' fastest' : '';
      row.appendChild(element('td', 'time' + mark, Ruvo.lapTime(lap.time_cs)));
      row.appendChild(element('td', 'lap-gap behind', best ? '' : Ruvo.gap(lap.time_cs - kart.best_cs)));
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

  function bestOfDay(box, rows) {
    if (!rows.length) { return; }
    box.appendChild(element('h2', '', 'Best of the day'));
    var table = element('table', 'best-of-day');
    headRow(table, ['Pos', 'Kart', 'Driver', 'Best', 'Session']);
    rows.forEach(function (best) {
      var row = element('tr');
      row.appendChild(element('td', 'pos', String(best.position)));
      row.appendChild(element('td', 'kart', String(best.slot)));
      row.appendChild(element('td', 'driver', best.driver));
      var time = element('td', best.position === 1 ? 'best session-best' : 'best', Ruvo.lapTime(best.time_cs));
      if (best.position > 1) { time.appendChild(element('span', 'gap behind', Ruvo.gap(best.gap_cs))); }
      row.appendChild(time);
      row.appendChild(element('td', 'session', best.session.slice(11)));
      table.appendChild(row);
    });
    box.appendChild(table);
  }

  function show(day) {
    title.textContent = 'Sessions of ' + day.day;
    var box = document.createDocumentFragment();
    if (day.error) { box.appendChild(element('p', 'message', day.error)); }
    if (!day.sessions.length) { box.appendChild(element('p', 'message', 'No sessions recorded')); }
    bestOfDay(box, day.best_of_day || []);
    day.sessions.forEach(function (session) {
      box.appendChild(element('h2', '', session.label));
      box.appendChild(element('p', 'status', session.every_lap ? 'Every lap' : 'Ten fastest laps'));
      var table = element('table');
      headRow(table, ['Pos', 'Kart', 'Driver', 'Lap', 'Time', 'Gap']);
      session.karts.forEach(function (kart) {
        kartRows(table, kart, session.every_lap ? kart.laps : kart.fastest_laps, session.every_lap);
      });
      box.appendChild(table);
    });
    sessionsBox.replaceChildren(box);
  }

  function shownDay() { return wanted || today; }

  function load() {
    fetch('/api/sessions/' + shownDay(), { cache: 'no-store' })
      .then(function (r) { return r.json(); })
      .then(show)
      .catch(function () { sessionsBox.textContent = 'Station not reachable'; });
    fetch('/api/days', { cache: 'no-store' })
      .then(function (r) { return r.json(); })
      .then(function (list) {
        var days = list.days || [];
        if (days.indexOf(today) < 0) { days.unshift(today); }
        if (days.indexOf(shownDay()) < 0) { days.push(shownDay()); }
        var options = document.createDocumentFragment();
        days.forEach(function (day) {
          var option = element('option', '', day === today ? 'Today' : day.replace(/_/g, '-'));
          option.value = day;
          option.selected = day === shownDay();
          options.appendChild(option);
        });
        picker.replaceChildren(options);
      })
      .catch(function () { /* the list waits for the next load */ });
  }

  picker.addEventListener('change', function () {
    wanted = picker.value === today ? '' : picker.value;
    history.replaceState(null, '', wanted ? '?day=' + wanted : location.pathname);
    load();
  });

  Ruvo.setupTheme();
  // The feed tells the station's today and when a session has been recorded.
  var records = document.getElementById('records');
  Ruvo.feed(function (live) {
    records.hidden = !Ruvo.recordRows(document.getElementById('record-rows'), live.records);
    if (live.today !== today || live.sessions_recorded !== recorded) {
      var first = today === '';
      var dayChanged = live.today !== today;
      today = live.today;
      recorded = live.sessions_recorded;
      if (first || dayChanged || !wanted || wanted === today) { load(); }
    }
  });
})();
