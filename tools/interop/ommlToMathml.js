// Reads Office Math XML as the word processor reads it, through omml2mathml (a port of the word processor's own
// Office Math to MathML stylesheet), and reports the characters of each resulting MathML tree.
//
// Input on stdin: a JSON array of Office Math XML texts (each an m:oMathPara or m:oMath element). Output on stdout:
// a JSON array with, per text, {characters, mathml} or {error} when the XML or the stylesheet fails on it.
// "node ommlToMathml.js --check" only loads the packages. Exit status 77 when they are not installed.
'use strict';

let DOMParser, omml2mathml;
try {
  ({ DOMParser } = require('@xmldom/xmldom'));
  omml2mathml = require('omml2mathml');
} catch (e) {
  process.stdout.write('ommlToMathml: ' + e.message.split('\n')[0] + '\n');
  process.exit(77);
}

const TOKENS = new Set(['mi', 'mn', 'mo', 'mtext', 'ms']);

// The characters a reader draws: token texts, and the brackets and separators of fences (MathML's defaults where
// the stylesheet leaves the attribute out).
function characters(node, out) {
  if (node.nodeType !== 1) return out;
  const name = node.localName;
  if (TOKENS.has(name)) {
    out.push(node.textContent);
    return out;
  }
  if (name === 'mfenced') {
    out.push(node.hasAttribute('open') ? node.getAttribute('open') : '(');
    out.push(node.hasAttribute('close') ? node.getAttribute('close') : ')');
    if (node.hasAttribute('separators')) out.push(node.getAttribute('separators'));
  }
  for (let child = node.firstChild; child; child = child.nextSibling) characters(child, out);
  return out;
}

function read(xml) {
  const errors = [];
  const parser = new DOMParser({ onError: (level, message) => { if (level !== 'warning') errors.push(message); } });
  let doc;
  try {
    doc = parser.parseFromString(xml, 'text/xml');
  } catch (e) {
    errors.push(e.message);
  }
  if (errors.length) return { error: 'XML: ' + errors[0] };
  try {
    const mathml = omml2mathml(doc.documentElement);
    return { characters: characters(mathml, []).join(''), mathml: mathml.outerHTML };
  } catch (e) {
    return { error: 'stylesheet: ' + e.message };
  }
}

if (process.argv[2] === '--check') process.exit(0);
const chunks = [];
process.stdin.on('data', chunk => chunks.push(chunk));
process.stdin.on('end', () => {
  const texts = JSON.parse(Buffer.concat(chunks).toString('utf8'));
  process.stdout.write(JSON.stringify(texts.map(read)));
});
