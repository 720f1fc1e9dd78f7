'use strict';
// The live board on a phone (/) and on a TV (/tv): the karts in order with the
// running time counted here from the lap start the station sent, the session
// clock and the time of day, marks for the kart's best, the session's fastest lap,
// a driver's personal best and the day's record, the kart a phone follows, and on
// the TV the records and the best of the day.
(function () {
  var karts = document.getElementById('karts');
  var board = document.getElementById('board');
  var sessionTitle = document.getElementById('session');
  var message = document.getElementById('message');
  var sessionClock = document.getElementById('session-clock');
  var timeOfDay = document.getElementById('time-of-day');
  var bestOfDay = document.getElementById('best-of-day');
  var records = document.getElementById('records');
  var dayBest = document.getElementById('day-best');
  var live = null;
  var runningCells = [];  // [cell, kart] of the karts whose time runs on
  var dayShown = '';

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

  var MARKS = { pb: 'PB', fastest: 'Fastest', personal: 'Personal best', record: 'Day record' };

  // The TV's side panel shows when it has something: records or the day's drivers.
  function showSide() {
    bestOfDay.hidden = records.hidden && dayBest.hidden;
  }

  function runningText(kart, now) {
    return kart.ticking ? Ruvo.running(now - kart.lap_start_ms) : Ruvo.running(kart.running_cs * 10);
  }

  function show(state, feed) {
    live = state;
    sessionTitle.textContent = live.session || 'RUVOTimer';
    message.textContent = live.message || '';
    board.classList.toggle('idle', !live.running);
    var list = live.karts || [];
    var leader = list.length && list[0].best_cs > 0 ? list[0].best_cs : 0;
    var follow = Ruvo.followed();
    var now = feed.stationNow();
    var rows = document.createDocumentFragment();
    runningCells = [];
    list.forEach(function (kart) {
      var row = document.createElement('tr');
      row.className = (kart.stale ? 'stale' : '') + (kart.slot === follow ? ' followed' : '');
      row.dataset.slot = String(kart.slot);
      cell(row, 'pos', String(kart.position));
      cell(row, 'kart', String(kart.slot));
      var driver = cell(row, 'driver', kart.driver);
      if (kart.stale) { addLine(driver, 'stale-mark', 'not heard'); }
      cell(row, 'laps', kart.laps_completed !== undefined ? String(kart.laps_completed) : '');
      var running = cell(row, 'running', live.running ? runningText(kart, now) : '');
      if (live.running && kart.ticking) { runningCells.push([running, kart]); }
      var last = cell(row, 'last' + (kart.last_mark ? ' ' + kart.last_mark : ''), Ruvo.lapTime(kart.last_cs));
      addLine(last, 'mark', MARKS[kart.last_mark] || '');
      if (live.running && kart.last_cs > 0 && kart.last_gap_sign) {
        addLine(last, 'gap ' + (kart.last_gap_cs > 0 ? 'slower' : 'faster'), Ruvo.gap(kart.last_gap_cs));
      }
      var best = cell(row, kart.position === 1 && leader ? 'best fastest' : 'best', Ruvo.lapTime(kart.best_cs));
      if (kart.race_gap !== undefined) {
        // A race: the gap is in laps or time behind the leader, not in best lap.
        if (kart.race_gap) { addLine(best, 'gap behind', kart.race_gap); }
      } else if (kart.best_cs > 0 && kart.position > 1) { addLine(best, 'gap behind', Ruvo.gap(kart.best_cs - leader)); }
      rows.appendChild(row);
    });
    karts.replaceChildren(rows);
    tick(feed);
    if (records) {
      records.hidden = !Ruvo.recordRows(document.getElementById('record-rows'), live.records);
      showSide();
    }
    if (bestOfDay && live.today + '/' + live.sessions_recorded !== dayShown) {
      dayShown = live.today + '/' + live.sessions_recorded;
      loadBestOfDay(live.today);
    }
  }

  function tick(feed) {
    if (!live) { return; }
    var now = feed.stationNow();
    runningCells.forEach(function (entry) {
      var text = runningText(entry[1], now);
      if (entry[0].textContent !== text) { entry[0].textContent = text; }
    });
    sessionClock.textContent = live.running && live.session_start_ms
      ? 'Session time: ' + Ruvo.clock((now - live.session_start_ms) / 1000) : '';
    timeOfDay.textContent = 'Actual time: ' + Ruvo.clock(feed.timeOfDay(now) / 1000);
  }

  // The TV's panel: today's fastest lap of each driver over the recorded sessions,
  // read again whenever a session has been recorded.
  function loadBestOfDay(day) {
    fetch('/api/sessions/' + day, { cache: 'no-store' })
      .then(function (r) { return r.json(); })
      .then(function (json) {
        var rows = document.createDocumentFragment();
        (json.best_of_day || []).slice(0, 10).forEach(function (best) {
          var row = document.createElement('tr');
          cell(row, 'pos', String(best.position));
          cell(row, 'kart', String(best.slot));
          cell(row, 'driver', best.driver);
          var time = cell(row, 'best', Ruvo.lapTime(best.time_cs));
          if (best.position > 1) { addLine(time, 'gap behind', Ruvo.gap(best.gap_cs)); }
          rows.appendChild(row);
        });
        document.getElementById('best-rows').replaceChildren(rows);
        dayBest.hidden = !(json.best_of_day || []).length;
        showSide();
      })
      .catch(function () { dayShown = ''; });
  }

  // "Follow my kart": a tap marks the kart on this phone, another tap lets it go.
  karts.addEventListener('click', function (event) {
    var row = event.target.closest('tr');
    if (!row || !row.dataset.slot) { return; }
    Ruvo.toggleFollow(Number(row.dataset.slot));
    var follow = Ruvo.followed();
    Array.prototype.forEach.call(karts.rows, function (r) {
      r.classList.toggle('followed', Number(r.dataset.slot) === follow);
    });
  });

  Ruvo.setupTheme();
  var feed = Ruvo.feed(function (state) { show(state, feed); }, function () { tick(feed); });
})();
