// Drives headless Chromium over the DevTools protocol: loads each page of the web view at phone and
// desktop width, waits for its own script to render, collects console errors and uncaught
// exceptions, checks that the page is no wider than the window and holds what it should, and takes
// screenshots when a folder is given.
//
// Usage: node --experimental-websocket browser_check.mjs BASE_URL [SCREENSHOT_FOLDER]
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

const [base, shots] = process.argv.slice(2);
const profile = mkdtempSync(join(tmpdir(), 'dedezuviv-chromium-'));
const browser = spawn('chromium', ['--headless=new', '--no-sandbox', '--disable-gpu', '--hide-scrollbars',
  '--no-first-run', '--remote-debugging-port=0', `--user-data-dir=${profile}`, 'about:blank'],
{ stdio: ['ignore', 'ignore', 'pipe'] });

const endpoint = await new Promise((resolve, reject) => {
  let text = '';
  browser.stderr.on('data', (chunk) => {
    text += chunk;
    const match = text.match(/DevTools listening on (ws:\/\/\S+)/);
    if (match) resolve(match[1]);
  });
  browser.on('exit', () => reject(new Error('chromium ended: ' + text)));
  setTimeout(() => reject(new Error('chromium did not start: ' + text)), 30000);
});

const socket = new WebSocket(endpoint);
await new Promise((resolve) => socket.addEventListener('open', resolve));
let nextId = 1;
const pending = new Map();
const listeners = [];
socket.addEventListener('message', (event) => {
  const message = JSON.parse(event.data);
  if (message.id && pending.has(message.id)) {
    const { resolve, reject } = pending.get(message.id);
    pending.delete(message.id);
    if (message.error) reject(new Error(JSON.stringify(message.error)));
    else resolve(message.result);
  } else {
    for (const listen of listeners) listen(message);
  }
});
function send(method, params = {}, sessionId = undefined) {
  const id = nextId++;
  socket.send(JSON.stringify({ id, method, params, sessionId }));
  return new Promise((resolve, reject) => pending.set(id, { resolve, reject }));
}
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

const pages = [
  { path: 'index.html', name: 'live', expect: ['Logging aktiv', 'Kessel: ', 'Felder vom Typ Temperatur'] },
  { path: 'charts.html?selection=Brenner&days=2', name: 'charts', expect: ['Datensätze im Zeitraum', 'Brenner'], charts: 2 },
];
const widths = [{ width: 360, height: 780, label: 'phone' }, { width: 1280, height: 900, label: 'desktop' }];
const failures = [];

for (const page of pages) {
  for (const size of widths) {
    const what = `${page.path} at ${size.width} px`;
    const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
    const problems = [];
    listeners.length = 0;
    listeners.push((message) => {
      if (message.sessionId !== sessionId) return;
      if (message.method === 'Runtime.exceptionThrown') {
        problems.push('exception: ' + (message.params.exceptionDetails.exception?.description ||
          message.params.exceptionDetails.text));
      } else if (message.method === 'Runtime.consoleAPICalled' && ['error', 'assert'].includes(message.params.type)) {
        problems.push('console.' + message.params.type + ': ' + message.params.args.map((a) => a.value ?? a.description).join(' '));
      } else if (message.method === 'Log.entryAdded' && message.params.entry.level === 'error') {
        problems.push('log: ' + message.params.entry.text + ' ' + (message.params.entry.url || ''));
      }
    });
    await send('Runtime.enable', {}, sessionId);
    await send('Log.enable', {}, sessionId);
    await send('Page.enable', {}, sessionId);
    await send('Emulation.setDeviceMetricsOverride', { width: size.width, height: size.height,
      deviceScaleFactor: 1, mobile: size.width < 500 }, sessionId);
    await send('Page.navigate', { url: base + page.path }, sessionId);
    // Rendered when the expected texts are there (and the charts drawn), at most 20 s.
    const evaluate = async (expression) =>
      (await send('Runtime.evaluate', { expression, returnByValue: true }, sessionId)).result.value;
    let ready = false;
    for (let i = 0; i < 200 && !ready; i++) {
      await sleep(100);
      ready = await evaluate(`(() => { const t = document.body ? document.body.innerText : '';
        return ${JSON.stringify(page.expect)}.every((p) => t.includes(p)) &&
          document.querySelectorAll('.uplot').length >= ${page.charts || 0}; })()`);
    }
    if (!ready) problems.push('not rendered: ' + (await evaluate('document.body.innerText')).slice(0, 400));
    const widthOk = await evaluate('document.documentElement.scrollWidth <= window.innerWidth');
    if (!widthOk) problems.push('wider than the window: ' + await evaluate('document.documentElement.scrollWidth'));
    if (shots) {
      const { data } = await send('Page.captureScreenshot', { format: 'png', captureBeyondViewport: false }, sessionId);
      writeFileSync(join(shots, `web-${page.name}-${size.label}.png`), Buffer.from(data, 'base64'));
    }
    await send('Target.closeTarget', { targetId });
    for (const problem of problems) failures.push(`${what}: ${problem}`);
    console.log(`${what}: ${problems.length === 0 ? 'ok' : 'FAILED'}`);
  }
}

socket.close();
browser.kill();
await new Promise((resolve) => { browser.on('exit', resolve); setTimeout(resolve, 5000); });
try { rmSync(profile, { recursive: true, force: true }); } catch { /* the browser's last writes */ }
if (failures.length > 0) {
  console.error(failures.join('\n'));
  process.exit(1);
}
