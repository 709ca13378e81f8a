// The web view's pages: the live page follows the logger's records as Server-Sent Events; the charts
// page reads ranges from the API (already reduced per pixel column) and draws them with uPlot.
'use strict';

const $ = (id) => document.getElementById(id);

async function getJson(url) {
  const response = await fetch(url, { credentials: 'same-origin' });
  const body = await response.json().catch(() => ({ error: response.statusText }));
  if (!response.ok) throw new Error(body.error || response.statusText);
  return body;
}

function text(element, value) {
  if (element) element.textContent = value;
}

// ------------------------------------------------------------------ live page

function showTable(cells) {
  const table = $('table');
  let cols = 0;
  let rows = 0;
  for (const cell of cells) {
    cols = Math.max(cols, cell.col + 1);
    rows = Math.max(rows, cell.row + 1);
  }
  $('table-empty').hidden = cells.length > 0;
  table.style.gridTemplateColumns = `repeat(${cols}, minmax(0, 1fr))`;
  const byPlace = new Map(cells.map((cell) => [cell.row * 100 + cell.col, cell]));
  // Column by column, each cell at its place in the grid: on a phone, where the cells stand one under
  // another, a column's caption comes before its values.
  const parts = document.createDocumentFragment();
  for (let col = 0; col < cols; col++) {
    for (let row = 0; row < rows; row++) {
      const cell = byPlace.get(row * 100 + col);
      const div = document.createElement('div');
      div.style.gridColumn = String(col + 1);
      div.style.gridRow = String(row + 1);
      if (cell) {
        div.textContent = cell.text;
        div.style.color = cell.color;
        if (cell.bold) div.style.fontWeight = 'bold';
        if (cell.italic) div.style.fontStyle = 'italic';
      }
      parts.appendChild(div);
    }
  }
  table.replaceChildren(parts);
}

function showFields(groups) {
  const holder = $('fields');
  const open = new Set([...holder.querySelectorAll('details[open]')].map((d) => d.dataset.caption));
  const parts = document.createDocumentFragment();
  for (const group of groups) {
    if (group.items.length === 0) continue;
    const details = document.createElement('details');
    details.dataset.caption = group.caption;
    details.open = open.size === 0 || open.has(group.caption);
    const summary = document.createElement('summary');
    summary.textContent = group.caption;
    const list = document.createElement('ul');
    for (const item of group.items) {
      const li = document.createElement('li');
      li.textContent = `${item.name} = ${item.text}${item.unit}`;
      list.appendChild(li);
    }
    details.append(summary, list);
    parts.appendChild(details);
  }
  holder.replaceChildren(parts);
}

function showRecord(record) {
  text($('last'), record.time ? record.time.replace('T', ' ') : '–');
  text($('records'), String(record.records));
  showTable(record.cells);
  showFields(record.fields);
}

function showLogging(logging) {
  const state = $('state');
  state.className = 'badge' + (logging.active ? (logging.lineLost ? ' lost' : ' on') : '');
  state.textContent = logging.active ? (logging.lineLost ? 'Gerät fehlt' : 'Logging aktiv') : 'Logging aus';
  text($('port'), logging.port || '–');
}

function addLogLine(line) {
  const log = $('log');
  const lines = (log.textContent ? log.textContent.split('\n') : []).concat(line).slice(-40);
  log.textContent = lines.join('\n');
  log.scrollTop = log.scrollHeight;
}

async function startLivePage() {
  const live = await getJson('api/live');
  text($('project'), live.project);
  showLogging(live.logging);
  showRecord(live.record);
  $('log').textContent = live.log.join('\n');
  const events = new EventSource('api/events');
  // A fast controller sends many records a second: the page draws the newest once per frame.
  let newest = null;
  events.addEventListener('record', (event) => {
    if (newest === null) {
      requestAnimationFrame(() => {
        showRecord(newest);
        newest = null;
      });
    }
    newest = JSON.parse(event.data);
  });
  events.addEventListener('log', (event) => addLogLine(JSON.parse(event.data)));
  // The logging state changes rarely: asked for again now and then.
  setInterval(() => getJson('api/live').then((state) => showLogging(state.logging)).catch(() => {}), 10000);
}

// ------------------------------------------------------------------ charts page

const Colors = ['#c62828', '#1565c0', '#2e7d32', '#ef6c00', '#6a1b9a', '#00838f', '#ad1457', '#4e342e',
  '#283593', '#9e9d24'];
const charts = { analog: null, digital: null };
let reading = null;  // { selection, from, to } of the loaded range
let view = null;     // [from, to] seconds shown

function localInputValue(date) {
  const pad = (n) => String(n).padStart(2, '0');
  return `${date.getFullYear()}-${pad(date.getMonth() + 1)}-${pad(date.getDate())}T${pad(date.getHours())}:` +
    `${pad(date.getMinutes())}:${pad(date.getSeconds())}`;
}

function setRangeDays(days) {
  const end = new Date();
  end.setHours(23, 59, 59, 0);
  const start = new Date(end);
  start.setDate(start.getDate() - days + 1);
  start.setHours(0, 0, 0, 0);
  $('from').value = localInputValue(start);
  $('to').value = localInputValue(end);
}

function withSeconds(value) {
  return value.length === 16 ? value + ':00' : value;
}

// Times are civil seconds (the day files' local time counted as if it were UTC).
function timeText(seconds, withDate, withTime) {
  const d = new Date(seconds * 1000);
  const pad = (n) => String(n).padStart(2, '0');
  const date = `${pad(d.getUTCDate())}.${pad(d.getUTCMonth() + 1)}.${String(d.getUTCFullYear()).slice(2)}`;
  const time = `${pad(d.getUTCHours())}:${pad(d.getUTCMinutes())}`;
  return [withDate ? date : '', withTime ? time : ''].filter(Boolean).join(' ');
}

function timeAxisValues(u, splits) {
  const span = u.scales.x.max - u.scales.x.min;
  return splits.map((t) => (span > 3 * 86400 ? timeText(t, true, false)
    : (t % 86400 === 0 ? timeText(t, true, false) + '\n' : '') + timeText(t, false, true)));
}

// Series of one chart as uPlot data: one x array for all (the union of the series' times).
function chartData(series) {
  const times = [...new Set(series.flatMap((s) => s.x))].sort((a, b) => a - b);
  const index = new Map(times.map((t, i) => [t, i]));
  const columns = series.map((s) => {
    const ys = new Array(times.length).fill(null);
    s.x.forEach((t, i) => { ys[index.get(t)] = s.y[i]; });
    return ys;
  });
  return [times, ...columns];
}

function chartWidth(element) {
  return Math.max(280, element.clientWidth - 2);
}

function drawChart(kind, series, digitalRange) {
  const element = $('chart-' + kind);
  const chosen = series.filter((s) => s.chart === kind);
  if (charts[kind]) { charts[kind].destroy(); charts[kind] = null; }
  element.replaceChildren();
  if (chosen.length === 0) {
    element.textContent = 'Keine Felder dieser Art gewählt.';
    return;
  }
  const stepped = uPlot.paths.stepped({ align: 1 });
  const hasRight = chosen.some((s) => s.axis === 'right');
  const options = {
    width: chartWidth(element),
    height: kind === 'analog' ? 320 : Math.min(320, 60 + 36 * chosen.length),
    tzDate: (ts) => uPlot.tzDate(new Date(ts * 1000), 'Etc/UTC'),
    legend: { live: true },
    cursor: { drag: { x: true, y: false }, sync: { key: 'dedezuviv' } },
    scales: kind === 'digital' ? { y: { range: digitalRange } } : {},
    axes: [{ values: timeAxisValues, space: 70 }, { scale: 'y' }].concat(hasRight ? [{ scale: 'r', side: 1, grid: { show: false } }] : []),
    series: [{ value: (u, t) => (t == null ? '–' : timeText(t, true, true)) }].concat(chosen.map((s, i) => ({
      label: s.legend.trim(),
      stroke: Colors[i % Colors.length],
      scale: kind === 'analog' && s.axis === 'right' ? 'r' : 'y',
      paths: s.step ? stepped : undefined,
      spanGaps: true,
      points: { show: false },
    }))),
    hooks: { setSelect: [(u) => {
      if (u.select.width < 5) return;
      const from = u.posToVal(u.select.left, 'x');
      const to = u.posToVal(u.select.left + u.select.width, 'x');
      u.setSelect({ left: 0, width: 0 }, false);
      showView(from, to);
    }] },
  };
  charts[kind] = new uPlot(options, chartData(chosen), element);
}

let loading = 0;
async function loadView() {
  if (!reading) return;
  const ticket = ++loading;
  const width = chartWidth($('chart-analog'));
  const query = new URLSearchParams({ selection: reading.selection, from: reading.from, to: reading.to,
    width: String(width) });
  if (view) {
    query.set('view_from', String(Math.floor(view[0])));
    query.set('view_to', String(Math.ceil(view[1])));
  }
  text($('message'), 'Daten werden gelesen …');
  try {
    const data = await getJson('api/series?' + query);
    if (ticket !== loading) return;
    view = [data.from, data.to];
    text($('message'), `${data.records} Datensätze im Zeitraum.`);
    drawChart('analog', data.series, data.digitalRange);
    drawChart('digital', data.series, data.digitalRange);
  } catch (error) {
    if (ticket === loading) text($('message'), error.message);
  }
}

function showView(from, to) {
  view = [from, to];
  loadView();
}

function moveView(factorStart, factorEnd) {
  if (!view) return;
  const span = view[1] - view[0];
  showView(view[0] + span * factorStart, view[1] + span * factorEnd);
}

function syncExportForm() {
  $('export-selection').value = $('selection').value;
  $('export-from').value = withSeconds($('from').value);
  $('export-to').value = withSeconds($('to').value);
}

async function startChartsPage() {
  const [choices, live] = await Promise.all([getJson('api/selections'), getJson('api/live')]);
  text($('project'), live.project);
  const select = $('selection');
  for (const choice of choices.selections) select.add(new Option(choice.name, choice.name));
  for (const format of choices.formats) $('format').add(new Option(format.toUpperCase(), format));
  // The address may choose the selection and the days shown: charts.html?selection=Brenner&days=7
  const wanted = new URLSearchParams(location.search);
  if (wanted.has('selection')) select.value = wanted.get('selection');
  setRangeDays(Math.max(1, Number(wanted.get('days')) || 1));
  for (const button of document.querySelectorAll('[data-days]')) {
    button.addEventListener('click', () => {
      setRangeDays(Number(button.dataset.days));
      $('choice').requestSubmit();
    });
  }
  $('choice').addEventListener('submit', (event) => {
    event.preventDefault();
    reading = { selection: select.value, from: withSeconds($('from').value), to: withSeconds($('to').value) };
    view = null;
    syncExportForm();
    loadView();
  });
  $('zoom-all').addEventListener('click', () => { view = null; loadView(); });
  $('zoom-out').addEventListener('click', () => moveView(-0.5, 0.5));
  $('pan-left').addEventListener('click', () => moveView(-0.5, -0.5));
  $('pan-right').addEventListener('click', () => moveView(0.5, 0.5));
  $('export').addEventListener('submit', syncExportForm);
  let resizing = null;
  window.addEventListener('resize', () => {
    clearTimeout(resizing);
    resizing = setTimeout(loadView, 300);
  });
  if (select.options.length > 0) $('choice').requestSubmit();
  else text($('message'), 'Das Projekt hat keine Auswahl.');
}

document.addEventListener('DOMContentLoaded', () => {
  const start = document.body.dataset.page === 'charts' ? startChartsPage : startLivePage;
  start().catch((error) => {
    const message = $('message') || $('log');
    text(message, 'Fehler: ' + error.message);
  });
});
