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
// The page at a size a patch's [jweb] is often given, and at a desktop window's.
const screenshots = { small: path.join(root, 'docs/mask-editor-640.png'), large: path.join(root, 'docs/mask-editor.png') };
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

async function openPage({ withMax, width = 1280, height = 800 }) {
  const page = await browser.newPage();
  page.setDefaultTimeout(HANG_MS);
  await page.setViewport({ width, height });
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
const overlap = (a, b) => a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;

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

  // Where the dome's script leaves the source, as the patch forwards it.
  await feed(page, [['source', [330, 12.5]], ['radius', [30]]]);
  await page.screenshot({ path: screenshots.large });

  // Channel 1 clicked, then a shift-drag from it across channel 2 selects both and sets nothing, though the
  // pointer moves up and down on the way.
  await page.evaluate(() => { window.sent.length = 0; });
  const one = await marker(page, 1);
  const two = await marker(page, 2);
  await page.click('.speaker[data-channel="1"]');
  await page.keyboard.down('Shift');
  await page.mouse.move(one.screen.x, one.screen.y);
  await page.mouse.down();
  await page.mouse.move(one.screen.x, one.screen.y + 25, { steps: 4 });
  await page.mouse.move(two.screen.x, two.screen.y, { steps: 6 });
  await page.mouse.up();
  await page.keyboard.up('Shift');
  assert.deepEqual(await page.evaluate(() => window.sent), [], 'a selection sets no mask');
  const selected = () => page.$$eval('.cell.selected', (g) => g.map((c) => Number(c.dataset.channel)).sort((a, b) => a - b));
  assert.deepEqual(await selected(), [1, 2]);

  // A plain drag on one of them sets both, and only them, however many cells it crosses
  // (here those of channels 3 and 4 on the way), even with shift pressed halfway.
  const four = await marker(page, 4);
  await page.mouse.move(two.screen.x, two.screen.y);
  await page.mouse.down();
  await page.mouse.move(four.screen.x, four.screen.y + 10, { steps: 8 });
  await page.keyboard.down('Shift');
  await page.mouse.move(four.screen.x, four.screen.y + 40, { steps: 4 });
  await page.keyboard.up('Shift');
  await page.mouse.up();
  const together = await page.evaluate(() => window.sent);
  assert.ok(together.length > 0, 'the drag sent masks');
  for (const message of together) {
    assert.equal(message[0], 'mask');
    assert.deepEqual(message.filter((_, i) => i % 2 === 1).sort(), [1, 2], JSON.stringify(message));
  }
  const last = together[together.length - 1];
  assert.ok(last[2] < 1 && last[4] === last[2], JSON.stringify(last));
  assert.deepEqual(await selected(), [1, 2], 'the cells crossed did not join');
  const masks = await page.$$eval('.cell', (g) => g.filter((c) => Number(c.dataset.mask) < 1).map((c) => Number(c.dataset.channel)));
  assert.deepEqual(masks.sort((a, b) => a - b), [1, 2, 9]);

  // A click without a drag on one of them picks it alone.
  await page.click('.speaker[data-channel="2"]');
  assert.deepEqual(await selected(), [2]);

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

  // A layout that will pan badly goes in, and the page says why, as vorn-layout does.
  const pair = JSON.parse(fs.readFileSync(file, 'utf8'));
  pair.LoudspeakerLayout.Loudspeakers = pair.LoudspeakerLayout.Loudspeakers.slice(0, 7);
  await drop(JSON.stringify(pair), 'pair.json');
  await page.waitForFunction(() => document.getElementById('problem').textContent.startsWith('warning:'));
  assert.equal(await page.$eval('#problem', (p) => p.textContent),
    'warning: layer 1 at 40 has only 2 loudspeakers, so a source at any azimuth on it plays from them\n' +
    'warning: layer 1 at 40 has a gap of 270 (45 to 315): a source in it plays from the loudspeakers at its edges; ' +
    '--fill-gaps closes it');
  assert.equal((await page.evaluate(() => window.sent)).pop()[0], 'end');

  // A subwoofer on the floor, left unnamed: the page offers it as one, and sends it so.
  const floor = JSON.parse(fs.readFileSync(file, 'utf8'));
  floor.LoudspeakerLayout.Loudspeakers[9] = { Azimuth: 0, Elevation: -25, Radius: 1, IsImaginary: false, Channel: 10, Gain: 1 };
  await drop(JSON.stringify(floor), 'floor.json');
  await page.waitForFunction(() => !document.getElementById('subwoofer').hidden);
  assert.equal(await page.$eval('#subwoofer', (b) => b.textContent), 'make channel 10 a subwoofer (solo layer)');
  await page.evaluate(() => { window.sent.length = 0; });
  await page.click('#subwoofer');
  await page.waitForFunction(() => window.sent.length > 0 && window.sent[window.sent.length - 1][0] === 'end');
  const withSub = await page.evaluate(() => window.sent);
  assert.deepEqual(withSub.find((m) => m[0] === 'solo'), ['solo', 10, 0]);
  assert.equal(withSub[0].join(' '), 'setup 0 40 90');
  assert.equal(await page.$eval('#subwoofer', (b) => b.hidden), true);
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

test('in a [jweb] of 640×420 or 900×500 the panel goes below and the channel numbers stay legible', async () => {
  const transcript = execFileSync(sim, [domeScript], { encoding: 'utf8' });
  for (const [width, height] of [[640, 420], [900, 500], [1280, 800]]) {
    const { page, problems } = await openPage({ withMax: true, width, height });
    await feed(page, inletCalls(transcript));
    await feed(page, [['source', [330, 12.5]], ['radius', [30]]]);
    const size = `${width}×${height}`;
    const look = await page.evaluate(() => {
      const box = (e) => { const r = e.getBoundingClientRect(); return { left: r.left, right: r.right, top: r.top, bottom: r.bottom }; };
      const labels = [...document.querySelectorAll('.speaker')].map((speaker) => {
        const text = speaker.querySelector('text');
        return { channel: Number(speaker.dataset.channel), box: box(text),
          pixels: parseFloat(getComputedStyle(text).fontSize) * text.getScreenCTM().a };
      });
      const axis = [...document.querySelectorAll('#plane-axis text, #solo-axis text')].map((t) => ({ text: t.textContent, box: box(t) }));
      const markers = [...document.querySelectorAll('.speaker circle.mask-track')].map(box);
      return { plane: box(document.getElementById('plane')), solo: box(document.getElementById('solo')),
        panel: box(document.querySelector('aside')), labels, axis, markers };
    });
    assert.equal(look.labels.length, 39, size);
    for (const label of look.labels) {
      assert.ok(label.pixels >= 10, `${size}: channel ${label.channel} drawn ${label.pixels.toFixed(1)} px high`);
      assert.ok(label.box.left >= 0 && label.box.right <= width, `${size}: channel ${label.channel} in the window`);
    }
    // No number lies on another: the 16 of the lowest ring stand closest.
    for (const a of look.labels) {
      for (const b of look.labels) assert.ok(a === b || !overlap(a.box, b.box), `${size}: channels ${a.channel} and ${b.channel} overlap`);
    }
    for (const label of look.axis) {
      assert.ok(label.box.left >= 0, `${size}: the axis label ${label.text} in the window`);
      assert.ok(look.markers.every((m) => !overlap(m, label.box)), `${size}: a marker hides the axis label ${label.text}`);
    }
    assert.ok(look.plane.left >= 0 && look.plane.right <= width && look.solo.bottom <= height,
      `${size}: the plane and the solo strip in sight: ${JSON.stringify(look)}`);
    if (width < 1000) {
      assert.ok(look.panel.top >= look.solo.bottom, `${size}: the panel below the plane`);
    } else {
      assert.ok(look.panel.left >= look.plane.right && look.panel.top < look.plane.bottom, `${size}: the panel beside the plane`);
    }
    // Dragging still sets the cell under the pointer at this size.
    await page.evaluate(() => { window.sent.length = 0; });
    await drag(page, (await marker(page, 12)).screen, 0, 30);
    const sent = await page.evaluate(() => window.sent);
    assert.ok(sent.length > 0 && sent.every((m) => m[0] === 'mask' && m[1] === 12 && m.length === 3), `${size}: ${JSON.stringify(sent)}`);
    if (width === 640) await page.screenshot({ path: screenshots.small });
    assert.deepEqual(problems, []);
    await page.close();
  }
});

test('the source the patch forwards is drawn with its spread radius, and drags pass through it', async () => {
  const transcript = execFileSync(sim, [domeScript], { encoding: 'utf8' });
  const { page, problems } = await openPage({ withMax: true });
  await feed(page, inletCalls(transcript));
  const source = () => page.evaluate(() => {
    const g = document.querySelector('#plane-source g');
    if (g === null) return null;
    const svg = g.ownerSVGElement;
    const r = g.querySelector('circle').getBoundingClientRect();
    const at = new DOMPoint(r.x + r.width / 2, r.y + r.height / 2).matrixTransform(svg.getScreenCTM().inverse());
    const outline = document.querySelector('#plane-spread path.outline');
    return { azimuth: Number(g.dataset.azimuth), elevation: Number(g.dataset.elevation), x: at.x, y: at.y,
      radius: document.getElementById('plane-spread').dataset.radius, outline: outline && outline.getAttribute('d'),
      solo: document.querySelector('#solo-source path').getAttribute('d') };
  });
  assert.equal(await source(), null, 'no marker before the patch says where the source is');

  await feed(page, [['source', [30, 20, 0.8]]]);
  let drawn = await source();
  assert.ok(near(drawn.x, 150) && near(drawn.y, 70), `azimuth 30, elevation 20 at ${drawn.x}, ${drawn.y}`);
  assert.equal(drawn.outline, null, 'no circle before the radius is known');
  assert.equal(drawn.solo, 'M150,0v24', 'the solo strip marks the azimuth');

  await feed(page, [['radius', [60]], ['source', [90]]]);
  drawn = await source();
  assert.deepEqual([drawn.azimuth, drawn.elevation, drawn.radius], [90, 20, '60'], 'an azimuth alone keeps the elevation');
  const r = Math.PI / 180;
  for (const pair of drawn.outline.split(/[MZ ]+/).filter((p) => p.includes(','))) {
    const [x, y] = pair.split(',').map(Number);
    const [az, el] = [180 - x, 90 - y];
    const cos = Math.sin(el * r) * Math.sin(20 * r) + Math.cos(el * r) * Math.cos(20 * r) * Math.cos((az - 90) * r);
    assert.ok(Math.abs(Math.acos(Math.min(1, cos)) / r - 60) < 0.05, `outline point ${pair} is 60 degrees from the source`);
  }

  // What the box refuses, the page refuses too, and keeps what it drew.
  await feed(page, [['radius', [400]]]);
  assert.equal(await page.$eval('#problem', (p) => p.textContent), 'radius: one number of degrees, 1..360, as the box takes it');
  await feed(page, [['source', ['left']]]);
  assert.match(await page.$eval('#problem', (p) => p.textContent), /^source: AZIMUTH \[ELEVATION\]/);
  drawn = await source();
  assert.deepEqual([drawn.azimuth, drawn.elevation, drawn.radius], [90, 20, '60']);

  // The source over loudspeaker 5 (azimuth 90, elevation 0): a drag there still reaches it.
  await feed(page, [['source', [90, 0]]]);
  await page.evaluate(() => { window.sent.length = 0; });
  await drag(page, (await marker(page, 5)).screen, 0, 30);
  const sent = await page.evaluate(() => window.sent);
  assert.ok(sent.length > 0 && sent.every((m) => m[1] === 5), JSON.stringify(sent));
  assert.deepEqual(problems, []);
  await page.close();
});

test('in a browser: an IEM file read after a transcript clears the dome and the status line', async () => {
  const { page, problems } = await openPage({ withMax: false });
  const transcript = execFileSync(sim, [domeScript], { encoding: 'utf8' });
  const read = async (text) => {
    await page.$eval('#source', (t, value) => { t.value = value; }, text);
    await page.click('#read');
  };
  await read(transcript);
  await drag(page, (await marker(page, 9)).screen, 0, 45);
  const domeStatus = await page.$eval('#status', (s) => s.textContent);
  assert.match(domeStatus, /^39 loudspeakers/);
  assert.equal(await page.$eval('#mask-lines', (t) => t.value), 'mask 9 0.7');

  await read(JSON.stringify({ LoudspeakerLayout: { Name: 'pair', Loudspeakers: [
    { Azimuth: 30, Elevation: 0, Channel: 1 }, { Azimuth: -30, Elevation: 0, Channel: 2 }] } }));
  assert.equal(await page.$$eval('.cell, .speaker', (c) => c.length), 0, 'the old dome is gone');
  assert.equal(await page.$eval('#solo', (s) => s.style.display), 'none');
  const status = await page.$eval('#status', (s) => s.textContent);
  assert.ok(status !== domeStatus && /^IEM layout read/.test(status), status);
  assert.equal(await page.$eval('#mask-lines', (t) => t.value), '', 'no masks of the old dome to copy');
  assert.equal(await page.$eval('#config-lines', (t) => t.value), 'setup 0\nlayer 0 1 30 2 330\nend');
  assert.match(await page.$eval('#problem', (p) => p.textContent), /^warning: layer 0 at 0 has only 2 loudspeakers/);

  // The transcript of those messages draws the new layout.
  await read(runSim(`!create pair\n${await page.$eval('#config-lines', (t) => t.value)}\n`));
  assert.equal(await page.$$eval('.cell', (c) => c.length), 2);
  assert.deepEqual(problems, []);
  await page.close();
});
