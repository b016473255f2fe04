// The mask-editor page's logic: reading the export, the amplitudes and vorn-sim transcripts,
// the cell geometry on the plane, the mask messages and the IEM layout conversion.
'use strict';
const { test } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { loadCore } = require('./load-core');

const V = loadCore();

// Cells as the dome example exports them: a ring-layer cell crossing azimuth 0, the rear one
// crossing 180, the zenith loudspeaker alone in its layer and a solo-layer subwoofer.
const domeCells = [
  [1, 1, 0, 0, -11.25, 15, 22.5, 105],
  [9, 1, 180, 0, 168.75, 15, 22.5, 105],
  [29, 1, 0, 60, -22.5, 75, 45, 30],
  [37, 1, 0, 90, -180, 270, 360, 360],
  [38, 0, 90, 0, 0, 180, 180, 360],
];

function readExport(reader, cells, size = 39) {
  let layout = reader.feed(['start']);
  assert.equal(layout, null);
  reader.feed(['size', size]);
  for (const cell of cells) assert.equal(reader.feed(cell), null);
  return reader.feed(['end']);
}

test('the export reader builds the layout at "end" and passes over what the box never sends', () => {
  const reader = V.createExportReader();
  assert.equal(reader.feed([1, 1, 0, 0, -11.25, 15, 22.5, 105]), null, 'a cell before "start"');
  assert.equal(reader.feed(['end']), null, '"end" before "start"');
  const layout = readExport(reader, [
    ...domeCells,
    [2, 1, 0, 0, 0, 0, 10],              // seven atoms
    [0, 1, 0, 0, 0, 0, 10, 10],          // channel 0
    [2049, 1, 0, 0, 0, 0, 10, 10],       // beyond the last channel
    [3.5, 1, 0, 0, 0, 0, 10, 10],        // not a whole channel
    [4, 1, NaN, 0, 0, 0, 10, 10],
    [5, 1, 0, 0, 0, 0, 0, 10],           // no width
  ]);
  assert.equal(layout.size, 39);
  assert.deepEqual(layout.cells.map((c) => c.channel), [1, 9, 29, 37, 38]);
  assert.deepEqual(layout.cells[4], {
    channel: 38, ring: false, azimuth: 90, elevation: 0, left: 0, top: 180, width: 180, height: 360,
  });
  const again = readExport(reader, [['7', '1', '0', '0', '-45', '15', '90', '105']], '7');
  assert.deepEqual(again.cells.map((c) => [c.channel, c.ring, c.width]), [[7, true, 90]], 'numbers as text');
});

test('masks survive a new export only where the loudspeaker\'s cell is unchanged', () => {
  const reader = V.createExportReader();
  const before = readExport(reader, domeCells);
  const masks = new Map([[1, 0.5], [9, 0.25], [29, 0], [37, 1], [38, 0.7]]);
  const moved = domeCells.map((c) => (c[0] === 9 ? [9, 1, 180, 0, 165, 15, 30, 105] : c));
  const after = readExport(reader, [...moved.filter((c) => c[0] !== 29), [40, 1, 0, 0, 0, 0, 10, 10]]);
  assert.deepEqual([...V.carryMasks(before, masks, after)],
    [[1, 0.5], [9, 1], [37, 1], [38, 0.7], [40, 1]]);
  assert.deepEqual([...V.carryMasks(null, new Map(), before).values()], [1, 1, 1, 1, 1]);
});

test('the channel of an amplitude is the number after the last hyphen of its selector', () => {
  assert.equal(V.channelOfSelector('hall-9'), 9);
  assert.equal(V.channelOfSelector('big-hall-2048'), 2048);
  assert.equal(V.channelOfSelector('hall--3'), 3, 'a context that ends in a hyphen');
  for (const bad of ['hall-0', 'hall-2049', 'hall-x', 'hall9', 'hall-9.5', 'hall-', 9, undefined]) {
    assert.equal(V.channelOfSelector(bad), null, String(bad));
  }
});

test('cells are cut at the edges of the plane and keep their whole width', () => {
  assert.equal(V.planeX(0), 180, 'azimuth 0 in the middle');
  assert.equal(V.planeX(90), 90, 'left of the listener on the left');
  assert.equal(V.planeX(180), 0);
  assert.deepEqual(V.cellPieces({ left: 168.75, top: 15, width: 22.5, height: 105 }),
    [{ x: 348.75, y: 75, width: 11.25, height: 105 }, { x: 0, y: 75, width: 11.25, height: 105 }]);
  assert.deepEqual(V.cellPieces({ left: -180, top: 270, width: 360, height: 360 }),
    [{ x: 0, y: 0, width: 360, height: 180 }], 'a lone loudspeaker reaches over both poles');
  assert.deepEqual(V.elevationSpan(270, 225), { y: 0, height: 45 }, 'a layer at 90 below 45');

  // Every cell of these layouts: its pieces add up to its width, stay on the plane, and
  // hold the loudspeaker's own point.
  const cells = [
    ...domeCells,
    [2, 1, 0, 0, -90, 90, 180, 180],      // two loudspeakers at 0 and 180
    [3, 1, 180, 0, 90, 90, 180, 180],
    [4, 1, 90, 0, -90, 90, 360, 180],     // two loudspeakers both at 90
    [5, 1, 270, 60, 225, 90, 90, 45],
    [6, 1, 359.5, -90, 359, -45, 1, 45],
  ].map(([channel, ring, azimuth, elevation, left, top, width, height]) =>
    ({ channel, ring: ring === 1, azimuth, elevation, left, top, width, height }));
  for (const cell of cells.filter((c) => c.ring)) {
    const pieces = V.cellPieces(cell);
    const total = pieces.reduce((sum, p) => sum + p.width, 0);
    assert.ok(Math.abs(total - Math.min(cell.width, 360)) < 1e-9, `width of ${cell.channel}`);
    for (const p of pieces) {
      assert.ok(p.x >= 0 && p.x + p.width <= 360 + 1e-9 && p.y >= 0 && p.y + p.height <= 180,
        `piece of ${cell.channel} on the plane`);
    }
    const point = V.markerPoint(cell);
    assert.ok(pieces.some((p) => point.x >= p.x && point.x <= p.x + p.width &&
      point.y >= p.y && point.y <= p.y + p.height), `loudspeaker ${cell.channel} inside its cell`);
  }
});

// The angle between two directions on the sphere, in degrees.
function angleBetween(a, b) {
  const r = Math.PI / 180;
  const cos = Math.sin(a.elevation * r) * Math.sin(b.elevation * r) +
    Math.cos(a.elevation * r) * Math.cos(b.elevation * r) * Math.cos((a.azimuth - b.azimuth) * r);
  return Math.acos(Math.min(1, Math.max(-1, cos))) / r;
}

// The points of an SVG path made of M and plain coordinate pairs, as directions.
function pathDirections(d) {
  return d.split(/[MZ ]+/).filter((p) => /^-?[0-9.]+,-?[0-9.]+$/.test(p)).map((p) => {
    const [x, y] = p.split(',').map(Number);
    return { azimuth: 180 - x, elevation: 90 - y };
  });
}

test('the source is read as the patch forwards the list it sends the box', () => {
  assert.deepEqual(V.readSource([30, 20]), { azimuth: 30, elevation: 20 });
  assert.deepEqual(V.readSource([45], { azimuth: 30, elevation: 20 }), { azimuth: 45, elevation: 20 },
    'an azimuth alone keeps the elevation before');
  assert.deepEqual(V.readSource(['10', '5', 0.5]), { azimuth: 10, elevation: 5 }, 'the gain after them is not drawn');
  for (const bad of [[], ['left'], [30, 'up'], [NaN, 0], [Infinity]]) assert.equal(V.readSource(bad), null, String(bad));
  assert.deepEqual([[1], [360], ['60']].map(V.readRadius), [1, 360, 60]);
  for (const bad of [[0.5], [361], ['wide'], [], [30, 40]]) assert.equal(V.readRadius(bad), null, String(bad));

  assert.deepEqual(V.sourcePoint(30, 20), { azimuth: 30, elevation: 20, x: 150, y: 70 });
  assert.deepEqual(V.sourcePoint(-30, 100), { azimuth: 150, elevation: 80, x: 30, y: 10 }, 'past the zenith');
  assert.deepEqual(V.sourcePoint(370, -280), { azimuth: 10, elevation: 80, x: 170, y: 10 });
});

test('the spread circle is drawn at the radius from the source, across the edges and round a pole', () => {
  for (const [azimuth, elevation, radius] of [[30, 20, 60], [180, 0, 30], [350, -10, 45], [0, 75, 30], [90, -80, 20], [0, 0, 179]]) {
    const paths = V.spreadPaths(azimuth, elevation, radius);
    const points = pathDirections(paths.outline);
    assert.equal(points.length, 3 * 121, 'the circle in three copies, one a turn to each side');
    for (const point of points) {
      const off = angleBetween(point, { azimuth, elevation });
      assert.ok(Math.abs(off - radius) < 0.05, `source ${azimuth} ${elevation}: a point ${off} away, not ${radius}`);
    }
    const ys = points.map((p) => 90 - p.elevation);
    assert.ok(ys.every((y) => y >= -1e-9 && y <= 180 + 1e-9), 'within the poles');
  }
  // Round the zenith the region closes along the top edge; reaching both poles, it is the
  // plane without the cap round the far point.
  assert.match(V.spreadPaths(0, 75, 30).fill, / -?[0-9.]+,0 -?[0-9.]+,0Z/);
  assert.match(V.spreadPaths(0, 0, 120).fill, /^M-360,0h1080v180h-1080Z/);
  assert.deepEqual(V.spreadPaths(0, 0, 180), { fill: 'M0,0h360v180h-360Z', outline: '' });
});

test('mask messages name only the layout\'s channels, hold values within 0..1 and stay short', () => {
  const layout = readExport(V.createExportReader(), domeCells);
  assert.deepEqual(V.maskMessages([[9, 0.6], [12, 0.5], [1, 1.5], [29, -0.2], [37, NaN], [38, 0.333]], layout),
    [['mask', 9, 0.6, 1, 1, 29, 0, 38, 0.33]]);
  assert.deepEqual(V.maskMessages([[9, 0.5]], null), []);
  assert.deepEqual(V.maskMessages([], layout), []);
  const wide = readExport(V.createExportReader(),
    Array.from({ length: 300 }, (_, i) => [i + 1, 1, i, 0, i - 0.5, 15, 1, 105]), 300);
  const messages = V.maskMessages(wide.cells.map((c) => [c.channel, 1]), wide);
  assert.deepEqual(messages.map((m) => m.length), [257, 257, 89]);
  assert.deepEqual(messages.flatMap((m) => m.slice(1)).filter((_, i) => i % 2 === 0),
    wide.cells.map((c) => c.channel), 'every channel once, in order');
  assert.equal(V.messageText(messages[2].slice(0, 3)), 'mask 257 1');
});

test('a vorn-sim transcript gives its last complete export and each channel\'s last amplitude', () => {
  const transcript = [
    'post: Vorn 2.6 - layer-based amplitude panning over loudspeaker layers',
    'outlet 1: mask-editor start',
    'outlet 1: mask-editor size 2',
    'outlet 1: mask-editor 1 1 0.0 0.0 -90.0 90.0 180.0 180.0',
    'outlet 1: mask-editor 2 1 180.0 0.0 90.0 90.0 180.0 180.0',
    'outlet 1: mask-editor end',
    'outlet 0: my-hall-1 0.7071067811865475',
    'outlet 0: my-hall-2 0.25',
    'error: mask: requested channel 7 does not exist',
    'outlet 0: my-hall-1 1.0',
    'outlet 1: mask-editor start',
    'outlet 1: mask-editor size 9',
    'outlet 1: mask-editor 9 1 0.0 0.0 -180.0 180.0 360.0 360.0',
  ].join('\r\n');
  const { layout, amplitudes } = V.parseTranscript(transcript);
  assert.deepEqual(layout.cells.map((c) => c.channel), [1, 2], 'the unfinished export is not taken');
  assert.deepEqual([...amplitudes], [[1, 1], [2, 0.25]]);
  assert.equal(V.parseTranscript('post: nothing here').layout, null);
});

test("Pd's console output of [print mask-editor] on the right outlet is read as the export", () => {
  const console = [
    'Vorn 2.6 - layer-based amplitude panning over loudspeaker layers',
    'mask-editor: mask-editor start',
    'mask-editor: mask-editor size 3',
    'mask-editor: mask-editor 1 1 0 0 -60 90 120 180',
    'mask-editor: mask-editor 2 1 120 0 60 90 120 180',
    'mask-editor: mask-editor 3 1 240 0 180 90 120 180',
    'mask-editor: mask-editor end',
    'setup: successfully applied new loudspeaker configuration',
  ].join('\n');
  assert.deepEqual(V.parseTranscript(console).layout.cells.map((c) => c.channel), [1, 2, 3]);
  // Whatever the [print] is called.
  assert.deepEqual(V.parseTranscript(console.replaceAll('mask-editor: ', 'geometry: ')).layout.cells.length, 3);
});

// IEM layout files, written by the test as a user would drop them.
function iemFile(speakers, name = 'Test room') {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vorn-iem-'));
  const file = path.join(dir, 'layout.json');
  const Loudspeakers = speakers.map(([Azimuth, Elevation, Channel, IsImaginary = false]) =>
    ({ Azimuth, Elevation, Radius: 1, IsImaginary, Channel, Gain: 1 }));
  fs.writeFileSync(file, JSON.stringify({ Name: name, Description: 'made by the test',
    LoudspeakerLayout: { Name: name, Loudspeakers } }, null, 2));
  const text = fs.readFileSync(file, 'utf8');
  fs.rmSync(dir, { recursive: true });
  return text;
}

function iemMessages(speakers) {
  return V.convertIemLayout(iemFile(speakers)).messages.map(V.messageText);
}

test('an IEM layout becomes setup, one layer per elevation from the lowest up, and end', () => {
  const converted = V.convertIemLayout(iemFile([
    [30, 0, 1], [-30, 0, 2], [0, 0.3, 3], [110, 0, 5], [-110, -0.2, 6],
    [45, 45, 8], [-45, 44.8, 7], [135, 45, 9], [-135, 45, 10],
    [0, 90, 11], [0, 89.8, 12], [0, -90, 13, true], [-180, -30, 4],
  ], '7.1.4 and more'));
  assert.equal(converted.name, '7.1.4 and more');
  assert.deepEqual(converted.messages.map(V.messageText), [
    'setup -30 0.02 44.95 89.8 90',
    'layer 0 4 180',
    'layer 1 3 0 1 30 5 110 6 250 2 330',
    'layer 2 8 45 9 135 10 225 7 315',
    'layer 3 12 0',
    'layer 4 11 0',
    'end',
  ], 'a ring at the mean of its loudspeakers; the zenith alone');
  assert.deepEqual(iemMessages([[0, 0, 1], [90, 4, 2], [180, 8, 3], [270, 12, 4], [0, 20, 5]]),
    ['setup 4 12 20', 'layer 0 1 0 2 90 3 180', 'layer 1 4 270', 'layer 2 5 0', 'end'],
    'neighbours within 5 chain into one ring that spans at most 10');
  assert.deepEqual(iemMessages([[-0.000001, 0, 1], [180, 0, 2], [-180, 0, 3], [200, 0, 4], [-1e-20, 10, 5]]),
    ['setup 0 10', 'layer 0 2 180 3 180 4 200 1 359.999999', 'layer 1 5 0', 'end'],
    'azimuths within 0..360, never 360 itself');
});

test('rings that will pan badly are warned about in the words of vorn-layout', () => {
  const ring = [0, 45, 90, 135, 180, 225, 270, 315].map((azimuth, k) => [azimuth, 0, k + 1]);
  const converted = V.convertIemLayout(iemFile([...ring, [30, 30, 9], [-30, 30, 10], [0, 60, 11], [180, 60, 12], [0, 90, 13]]));
  assert.deepEqual(converted.warnings, [
    'layer 1 at 30 has only 2 loudspeakers, so a source at any azimuth on it plays from them',
    'layer 1 at 30 has a gap of 300 (30 to 330): a source in it plays from the loudspeakers at its edges; --fill-gaps closes it',
    'layer 2 at 60 has only 2 loudspeakers, so a source at any azimuth on it plays from them',
  ]);
  assert.deepEqual(V.convertIemLayout(iemFile(ring)).warnings, []);
});

test('a lone loudspeaker far below the rings is offered as the subwoofer it most likely is', () => {
  const ring = [0, 45, 90, 135, 180, 225, 270, 315].map((azimuth, k) => [azimuth, 0, k + 1]);
  const room = iemFile([...ring, [45, 40, 9], [135, 40, 10], [-135, 40, 11], [-45, 40, 12], [0, -20, 13]]);
  const plain = V.convertIemLayout(room);
  assert.equal(plain.subwoofer, 13);
  assert.deepEqual(plain.warnings,
    ['layer 0 at -20 holds channel 13, most likely a subwoofer (alone, far below the others): use --sub 13']);
  const chosen = V.convertIemLayout(room, [13]);
  assert.equal(chosen.subwoofer, null);
  assert.deepEqual(chosen.warnings, []);
  assert.deepEqual(chosen.messages.map(V.messageText), ['setup 0 40', 'layer 0 1 0 2 45 3 90 4 135 5 180 6 225 7 270 8 315',
    'layer 1 9 45 10 135 11 225 12 315', 'solo 13 0', 'end']);
  assert.throws(() => V.convertIemLayout(room, [14]),
    (e) => e instanceof V.LayoutError && /channel 14 is named as LFE or subwoofer/.test(e.message));
  // Only a little below, it is a ring of its own.
  assert.equal(V.convertIemLayout(iemFile([...ring, [0, -8, 9]])).subwoofer, null);
});

test('a layout that Vorn cannot hold is refused with the loudspeaker named', () => {
  const refusals = [
    [[[0, 0, 1], [90, 0, 2], [180, 30, 1]], 'loudspeaker 3 (channel 1): channel 1 is used twice (also by loudspeaker 1 (channel 1))'],
    [[[0, 0, 1], [90, 0, 0]], 'loudspeaker 2 (channel 0): channel 0 is outside 1..2048'],
    [[[0, 0, 2049]], 'loudspeaker 1 (channel 2049): channel 2049 is outside 1..2048'],
    [[[0, 0, 1.5]], 'loudspeaker 1: "Channel" should be a whole number'],
    [[[0, 0, 1], [0, 91, 2]], 'loudspeaker 2 (channel 2): elevation 91 is outside -90..90'],
    [[[0, -90.5, 1]], 'loudspeaker 1 (channel 1): elevation -90.5 is outside -90..90'],
    [[], 'Test room: no loudspeakers (imaginary ones do not count)'],
    [[[0, 0, 1, true], [0, -90, 2, true]], 'Test room: no loudspeakers (imaginary ones do not count)'],
  ];
  for (const [speakers, message] of refusals) {
    assert.throws(() => V.convertIemLayout(iemFile(speakers)),
      (e) => e instanceof V.LayoutError && e.message === message, message);
  }
  const layout = (speakers) => JSON.stringify({ LoudspeakerLayout: { Loudspeakers: speakers } });
  for (const [text, message] of [
    ['{"LoudspeakerLayout": ', /^not a JSON file \(.+\)$/],
    ['{"Name": "x"}', /^no "LoudspeakerLayout" object, so not an IEM layout file$/],
    ['[]', /^no "LoudspeakerLayout" object/],
    ['{"LoudspeakerLayout": {"Name": "x"}}', /^"LoudspeakerLayout" has no "Loudspeakers" list$/],
    [layout([{ Elevation: 0, Channel: 1 }]), /^loudspeaker 1: "Azimuth" is missing$/],
    [layout([{ Azimuth: 0, Elevation: '0', Channel: 1 }]), /^loudspeaker 1: "Elevation" should be a number$/],
    ['{"LoudspeakerLayout": {"Loudspeakers": [{"Azimuth": 1e400, "Elevation": 0, "Channel": 1}]}}',
      /^loudspeaker 1: "Azimuth" is too large for a number$/],
    [layout([{ Azimuth: 0, Elevation: 0 }]), /^loudspeaker 1: "Channel" is missing$/],
    [layout([{ Azimuth: 0, Elevation: 0, Channel: 1, IsImaginary: 'no' }]), /^loudspeaker 1: "IsImaginary" should be true or false$/],
    [layout([{ Azimuth: 0, Elevation: 0, Channel: 1, Gain: '1' }]), /^loudspeaker 1: "Gain" should be a number$/],
    [layout([{ Azimuth: 0, Elevation: 0, Channel: 1 }, 7]), /^loudspeaker 2: not a JSON object$/],
    [layout([]), /^the layout: no loudspeakers/],
  ]) {
    assert.throws(() => V.convertIemLayout(text), (e) => e instanceof V.LayoutError && message.test(e.message), String(message));
  }
  assert.deepEqual(V.convertIemLayout(layout([{ Azimuth: 0, Elevation: 0, IsImaginary: true },
    { Azimuth: 0, Elevation: 0, Channel: 3 }])).messages.map(V.messageText),
  ['setup 0', 'layer 0 3 0', 'end'], 'an imaginary loudspeaker needs no channel');
  assert.ok(V.looksLikeJson('  {"LoudspeakerLayout": {}}') && !V.looksLikeJson('outlet 1: mask-editor start'));
});
