// The mask-editor page in Debian's headless chromium: inside a stand-in of [jweb]'s window.max
// it draws what vorn-sim's dome example exports, and the mask it sends caps the box's output;
// without window.max it reads a transcript and gives the lines to copy.
'use strict';
const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const puppeteer = require('puppeteer-core');
const { pagePath } = require('./load-core');

const root = path.resolve(__dirname, '../..');
const sim = path.join(root, 'build/bin/vorn-sim');
const domeScript = path.join(root, 'examples/dome.vorn');
const screenshot = path.join(root, 'docs/mask-editor.png');
const chromium = process.env.VORN_CHROMIUM || '/usr/bin/chromium';

function runSim(script) {
  return execFileSync(sim, [], { input: script, encoding: 'utf8' });
}

// Atoms as [jweb] hands them to the page: numbers as numbers, words as text.
function atomsOf(text) {
  return text.split(' ').map((a) => (/^[-+]?[0-9.]/.test(a) && Number.isFinite(Number(a)) ? Number(a) : a));
}

// The transcript's outlet lines as the bound inlets receive them: the right outlet straight
// into [jweb], the left one through [prepend amp].
function inletCalls(transcript) {
  const calls = [];
  for (const line of transcript.split('\n')) {
    const found = /^outlet ([01]): (.*)$/.exec(line);
    if (found === null) continue;
    const atoms = atomsOf(found[2]);
    if (found[1] === '1') calls.push([atoms[0], atoms.slice(1)]);
    else calls.push(['amp', atoms]);
  }
  return calls;
}

function cellLines(transcript) {
  return transcript.split('\n').filter((l) => /^outlet 1: mask-editor \d/.test(l))
    .map((l) => l.split(' ').slice(3).map(Number));
}

function lastAmplitude(transcript, channel) {
  const lines = transcript.split('\n').filter((l) => new RegExp(`^outlet 0: [^ ]*-${channel} `).test(l));
  return Number(lines[lines.length - 1].split(' ')[3]);
}

// Limits against a hang only: a machine busy with builds can take a minute to start chromium.
const HANG_MS = 300000;

let browser;
let profile;

before(async () => {
  profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vorn-editor-chromium-'));
  browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    userDataDir: profile,
    timeout: HANG_MS,
    protocolTimeout: HANG_MS,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
});

after(async () => {
  if (browser) await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
});

async function openPage({ withMax }) {
  const page = await browser.newPage();
  page.setDefaultTimeout(HANG_MS);
  await page.setViewport({ width: 1240, height: 720 });
  const problems = [];
  page.on('pageerror', (e) => problems.push(String(e)));
  if (withMax) {
    await page.evaluateOnNewDocument(() => {
      const inlets = {};
      window.sent = [];
      window.inlets = inlets;
      window.max = {
        bindInlet(name, callback) { inlets[name] = callback; },
        outlet(...args) { window.sent.push(args); },
      };
    });
  }
  await page.goto(`file://${pagePath}`);
  return { page, problems };
}

async function feed(page, calls) {
  await page.evaluate((list) => {
    for (const [name, args] of list) window.inlets[name](...args);
  }, calls);
}

// Plane coordinates (x 0..360, y 0..180) of a loudspeaker's marker, and its screen point.
async function marker(page, channel) {
  return page.evaluate((ch) => {
    const speaker = document.querySelector(`.speaker[data-channel="${ch}"]`);
    const box = speaker.querySelector('circle.body').getBoundingClientRect();
    const screen = { x: box.x + box.width / 2, y: box.y + box.height / 2 };
    const svg = speaker.ownerSVGElement;
    const point = new DOMPoint(screen.x, screen.y).matrixTransform(svg.getScreenCTM().inverse());
    return { screen, plane: { x: point.x, y: point.y } };
  }, channel);
}

async function drag(page, from, dx, dy) {
  await page.mouse.move(from.x, from.y);
  await page.mouse.down();
  await page.mouse.move(from.x + dx, from.y + dy, { steps: 8 });
  await page.mouse.up();
}

const near = (a, b) => Math.abs(a - b) < 0.05;

test('inside Max: the dome is drawn as exported, and a dragged mask caps channel 9', async () => {
  const transcript = execFileSync(sim, [domeScript], { encoding: 'utf8' });
  const { page, problems } = await openPage({ withMax: true });
  await feed(page, inletCalls(transcript));
  const cells = cellLines(transcript);

  const drawn = await page.evaluate(() => [...document.querySelectorAll('.cell')].map((g) => ({
    channel: Number(g.dataset.channel),
    amplitude: Number(g.dataset.amplitude),
    solo: g.closest('#solo') !== null,
    pieces: [...g.querySelectorAll('rect.shade')].map((r) => ['x', 'y', 'width', 'height'].map((k) => Number(r.getAttribute(k)))),
  })));
  assert.equal(drawn.length, cells.length, 'one cell per loudspeaker');
  assert.deepEqual(drawn.map((d) => d.channel).sort((a, b) => a - b), cells.map((c) => c[0]));

  for (const [channel, ring, azimuth, elevation, left, top, width, height] of cells) {
    const cell = drawn.find((d) => d.channel === channel);
    assert.equal(cell.solo, ring === 0, `channel ${channel} drawn with its kind of layer`);
    assert.equal(cell.amplitude, lastAmplitude(transcript, channel), `channel ${channel} shaded by its last amplitude`);
    // The azimuth range from left to left + width, as the plane shows it: right to left,
    // with 180 at both edges.
    const covered = cell.pieces.reduce((sum, [, , w]) => sum + w, 0);
    assert.ok(near(covered, Math.min(width, 360)), `channel ${channel} is ${width} wide`);
    const leftEdge = (((180 - left) % 360) + 360) % 360 || 360;
    assert.ok(cell.pieces.some(([x, , w]) => near(x + w, leftEdge)), `channel ${channel} starts at azimuth ${left}`);
    if (ring === 1) {
      const [, y, , h] = cell.pieces[0];
      assert.ok(near(y, 90 - Math.min(top, 90)) && near(y + h, 90 - Math.max(top - height, -90)),
        `channel ${channel} spans its elevations`);
      const { plane } = await marker(page, channel);
      assert.ok(near(plane.x, (((180 - azimuth) % 360) + 360) % 360) && near(plane.y, 90 - elevation),
        `loudspeaker ${channel} at azimuth ${azimuth}, elevation ${elevation}`);
    }
  }

  await page.evaluate(() => { window.sent.length = 0; });
  const nine = await marker(page, 9);
  await drag(page, nine.screen, 0, 60);
  const sent = await page.evaluate(() => window.sent);
  assert.ok(sent.length > 0 && sent.every((m) => m[0] === 'mask' && m.length === 3 && m[1] === 9), JSON.stringify(sent));
  const mask = sent[sent.length - 1][2];
  assert.ok(mask > 0 && mask < 1, `mask ${mask}`);
  assert.equal(await page.$eval('#mask-value', (i) => Number(i.value)), mask, 'the typed value follows the drag');

  // The box takes it: pointed at channel 9, the source reaches it only up to the mask.
  const dome = fs.readFileSync(domeScript, 'utf8');
  assert.equal(lastAmplitude(runSim(`${dome}\nmask 9 1\nlist 180. 0.\n`), 9), 1, 'channel 9 unmasked');
  const capped = runSim(`${dome}\n${sent[sent.length - 1].join(' ')}\nlist 180. 0.\n`);
  assert.ok(!/^error:/m.test(capped), capped);
  assert.equal(lastAmplitude(capped, 9), mask, 'channel 9 capped by the mask');

  await page.screenshot({ path: screenshot });

  // Shift-drag from channel 1 across channel 2 and down sets both.
  await page.evaluate(() => { window.sent.length = 0; });
  const one = await marker(page, 1);
  const two = await marker(page, 2);
  await page.keyboard.down('Shift');
  await page.mouse.move(one.screen.x, one.screen.y);
  await page.mouse.down();
  await page.mouse.move(two.screen.x, two.screen.y, { steps: 6 });
  await page.mouse.move(two.screen.x, two.screen.y + 30, { steps: 4 });
  await page.mouse.up();
  await page.keyboard.up('Shift');
  const together = await page.evaluate(() => window.sent);
  const last = together[together.length - 1];
  assert.deepEqual(last.slice(0, 2), ['mask', 1]);
  assert.deepEqual([last[3], last[4]], [2, last[2]], JSON.stringify(together));

  // "reset" sends every channel of the layout back to 1, and nothing else.
  await page.evaluate(() => { window.sent.length = 0; });
  await page.click('#reset');
  const reset = await page.evaluate(() => window.sent);
  const pairs = reset.flatMap((m) => { assert.equal(m[0], 'mask'); return m.slice(1); });
  assert.deepEqual(pairs.filter((_, i) => i % 2 === 0).sort((a, b) => a - b), cells.map((c) => c[0]));
  assert.ok(pairs.filter((_, i) => i % 2 === 1).every((v) => v === 1));

  // A new export of the same layout ("med") keeps the page's masks only where the box does.
  await page.click('#reset');
  await drag(page, (await marker(page, 9)).screen, 0, 30);
  await feed(page, inletCalls(runSim(`${dome}\nmed\n`)).filter(([name]) => name === 'mask-editor'));
  assert.ok(await page.$eval('.cell[data-channel="9"]', (g) => Number(g.dataset.mask) < 1));
  assert.deepEqual(problems, []);
  await page.close();
});

test('inside Max: a dropped IEM layout goes into the box as setup, layer and end', async () => {
  const { page, problems } = await openPage({ withMax: true });
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vorn-iem-'));
  const file = path.join(dir, 'studio.json');
  const speakers = [[30, 0, 1], [-30, 0, 2], [0, 0, 3], [110, 0, 4], [-110, 0, 5],
    [45, 40, 6], [-45, 40, 7], [180, 40, 8], [0, 90, 9], [0, -90, 10, true]];
  fs.writeFileSync(file, JSON.stringify({ LoudspeakerLayout: { Name: 'Studio', Loudspeakers:
    speakers.map(([Azimuth, Elevation, Channel, IsImaginary = false]) =>
      ({ Azimuth, Elevation, Radius: 1.5, IsImaginary, Channel, Gain: 1 })) } }));
  const drop = async (text, name) => page.evaluate((content, fileName) => {
    const data = new DataTransfer();
    data.items.add(new File([content], fileName, { type: 'application/json' }));
    document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));
  }, text, name);

  await drop(fs.readFileSync(file, 'utf8'), 'studio.json');
  await page.waitForFunction(() => window.sent.length > 0 && window.sent[window.sent.length - 1][0] === 'end');
  const sent = await page.evaluate(() => window.sent);
  assert.deepEqual(sent.map((m) => m[0]), ['setup', 'layer', 'layer', 'layer', 'end']);
  const script = sent.map((m) => m.join(' ')).join('\n');
  assert.equal(await page.$eval('#config-lines', (t) => t.value), script, 'the messages shown are the ones sent');

  const transcript = runSim(`!create studio\n${script}\n`);
  assert.ok(!/^error:/m.test(transcript), transcript);
  assert.match(transcript, /^post: setup: successfully applied new loudspeaker configuration$/m);
  const cells = cellLines(transcript);
  assert.deepEqual(cells.map((c) => c[0]).sort((a, b) => a - b), [1, 2, 3, 4, 5, 6, 7, 8, 9]);
  const directions = new Map(speakers.map(([az, el, ch]) => [ch, [(az + 360) % 360, el]]));
  for (const [channel, , azimuth, elevation] of cells) {
    assert.deepEqual([azimuth, elevation], directions.get(channel), `loudspeaker ${channel}`);
  }
  // The box answers with its export; the page draws it.
  await feed(page, inletCalls(transcript));
  assert.equal(await page.$$eval('.cell', (c) => c.length), 9);

  // A layout Vorn cannot hold sends nothing and says which loudspeaker is wrong.
  await page.evaluate(() => { window.sent.length = 0; });
  const twice = JSON.parse(fs.readFileSync(file, 'utf8'));
  twice.LoudspeakerLayout.Loudspeakers[4].Channel = 2;
  await drop(JSON.stringify(twice), 'twice.json');
  await page.waitForFunction(() => document.getElementById('problem').textContent !== '');
  assert.equal(await page.$eval('#problem', (p) => p.textContent),
    'IEM layout: loudspeaker 5 (channel 2): channel 2 is used twice (also by loudspeaker 2 (channel 2))');
  assert.deepEqual(await page.evaluate(() => window.sent), []);
  assert.equal(await page.$eval('#config-lines', (t) => t.value), '');
  fs.rmSync(dir, { recursive: true });
  assert.deepEqual(problems, []);
  await page.close();
});

test('in a browser: a pasted transcript is drawn and the masks come out as lines to copy', async () => {
  const { page, problems } = await openPage({ withMax: false });
  const transcript = execFileSync(sim, [domeScript], { encoding: 'utf8' });
  await page.$eval('#source', (t, text) => { t.value = text; }, transcript);
  await page.click('#read');
  assert.equal(await page.$$eval('.cell', (c) => c.length), cellLines(transcript).length);

  await drag(page, (await marker(page, 9)).screen, 0, 45);
  await page.click('.speaker[data-channel="17"]');
  await page.$eval('#mask-value', (i) => { i.value = '0.4'; i.dispatchEvent(new Event('change')); });
  await page.$eval('#mask-value', (i) => { i.value = '1.2'; i.dispatchEvent(new Event('change')); });
  assert.equal(await page.$eval('#problem', (p) => p.textContent), 'a mask lies between 0 and 1');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.down('Shift');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.up('Shift');
  const lines = await page.$eval('#mask-lines', (t) => t.value);
  assert.equal(lines, 'mask 9 0.7\nmask 17 0.29');
  const capped = runSim(`${fs.readFileSync(domeScript, 'utf8')}\n${lines}\nlist 180. 0.\n`);
  assert.equal(lastAmplitude(capped, 9), 0.7);
  assert.deepEqual(problems, []);
  await page.close();
});
