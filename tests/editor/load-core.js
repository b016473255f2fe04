// Loads the logic block of the mask-editor page, so that its tests run against the very code
// that the page carries (the page must stay one self-contained file).
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const vm = require('node:vm');

const pagePath = path.resolve(__dirname, '../../editor/vorn-mask-editor.html');

function loadCore() {
  const html = fs.readFileSync(pagePath, 'utf8');
  const opening = '<script id="vorn-editor-core">';
  const start = html.indexOf(opening);
  if (start < 0) throw new Error(`${pagePath} has no ${opening} block`);
  const codeStart = start + opening.length;
  const code = html.slice(codeStart, html.indexOf('</script>', codeStart));
  const lineOffset = html.slice(0, codeStart).split('\n').length - 1;
  // Run in this realm, so that its arrays and maps compare equal to the tests' own.
  return vm.runInThisContext(`(function () {${code}\nreturn VornEditor;\n})()`,
    { filename: pagePath, lineOffset });
}

module.exports = { loadCore, pagePath };
