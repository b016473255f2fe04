// The page's import of an IEM layout file against vorn-layout: for the same file, the same
// configuration messages and the same warnings.
const { test } = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { loadCore } = require('./load-core');

const V = loadCore();
const root = path.resolve(__dirname, '../..');
const vornLayout = path.join(root, 'build/bin/vorn-layout');

function fileText(speakers, name) {
  return JSON.stringify({ Name: name, LoudspeakerLayout: { Name: name, Loudspeakers:
    speakers.map(([Azimuth, Elevation, Channel, IsImaginary = false]) =>
      ({ Azimuth, Elevation, Radius: 1, IsImaginary, Channel, Gain: 1 })) } }, null, 1);
}

function tool(text) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vorn-import-'));
  const file = path.join(dir, 'room.json');
  fs.writeFileSync(file, text);
  const run = spawnSync(vornLayout, [file], { encoding: 'utf8' });
  fs.rmSync(dir, { recursive: true });
  assert.equal(run.status, 0, run.stderr);
  return {
    messages: run.stdout.split('\n').filter((line) => line !== '' && !line.startsWith('#')),
    warnings: run.stderr.split('\n').filter((line) => line.startsWith('vorn-layout: warning: '))
      .map((line) => line.slice('vorn-layout: warning: '.length)),
  };
}

const eightAround = [0, 45, 90, 135, 180, 225, 270, 315].map((azimuth, k) => [azimuth, 0, k + 1]);
const lowAzimuths = [0, 21, 43, 64, 85, 106, 127, 148, 170, -169, -148, -127, -106, -85, -64, -42, -21];
const lowElevations = [-0.2, 1.8, -1.1, 0.9, 3.1, 0.0, 2.4, -1.0, 1.7, 0.1, 2.5, -1.05, 1.0, 3.0, -0.1, 0.8, 1.9];
const highAzimuths = [0, 36, 72, 108, 144, 180, -144, -108, -72, -36];
const highElevations = [42.0, 43.5, 40.9, 41.8, 44.2, 42.7, 41.0, 43.4, 41.9, 43.6];
const rooms = {
  'a measured hemisphere': [
    ...lowAzimuths.map((azimuth, k) => [azimuth, lowElevations[k], k + 1]),
    ...highAzimuths.map((azimuth, k) => [azimuth, highElevations[k], k + 18]),
    [0, 90, 28], [0, -90, 99, true],
  ],
  'a front height pair over a ring of eight': [...eightAround, [30, 30, 9], [-30, 30, 10]],
  'a lone loudspeaker between two rings': [...eightAround, [0, 5, 9], ...eightAround.map(([a, , c]) => [a, 10.5, c + 9])],
  'rings with single loudspeakers and poles': [[0, 0, 1], [180, 0, 2], [10, 33.333, 3], [0, 90, 4], [0, -90, 5], [-0.125, 60, 6]],
};

test('the page and vorn-layout turn a file into the same messages and warnings', () => {
  for (const [name, speakers] of Object.entries(rooms)) {
    const text = fileText(speakers, name);
    const page = V.convertIemLayout(text);
    const expected = tool(text);
    assert.deepEqual(page.messages.map(V.messageText), expected.messages, name);
    assert.deepEqual(page.warnings, expected.warnings, name);
  }
  assert.ok(tool(fileText(rooms['a front height pair over a ring of eight'], 'pair')).warnings.length > 0);
});
