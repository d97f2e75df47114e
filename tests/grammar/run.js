// Tokenizes the sample scripts with the TextMate grammar and checks the
// scopes written beside them.
//
//   node run.js GRAMMAR SAMPLES_DIR
//
// Each samples/NAME.qel has NAME.scopes beside it: lines of
//   LINE <tab> TEXT <tab> SCOPE      every character of TEXT carries SCOPE
//   LINE <tab> TEXT <tab> !SCOPE     no character of TEXT carries SCOPE
// TEXT is looked for on that line of the script from where the previous check
// of the same line found its text, so a line is checked left to right and a
// check may look inside the text of the one before.
'use strict';
const fs = require('fs');
const path = require('path');
const oniguruma = require('vscode-oniguruma');
const textmate = require('vscode-textmate');

async function loadGrammar(grammarPath) {
  const wasm = fs.readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm')).buffer;
  await oniguruma.loadWASM(wasm);
  const registry = new textmate.Registry({
    onigLib: Promise.resolve({
      createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
      createOnigString: (text) => new oniguruma.OnigString(text),
    }),
    loadGrammar: async () => textmate.parseRawGrammar(fs.readFileSync(grammarPath, 'utf8'), grammarPath),
  });
  return registry.loadGrammar('source.qelscript');
}

function tokenizeLines(grammar, text) {
  let stack = textmate.INITIAL;
  return text.split(/\r?\n/).map((line) => {
    const result = grammar.tokenizeLine(line, stack);
    stack = result.ruleStack;
    return { line, tokens: result.tokens };
  });
}

function scopesAt(tokenized, column) {
  const token = tokenized.tokens.find((t) => t.startIndex <= column && column < t.endIndex);
  return token ? token.scopes : [];
}

function parseChecks(text) {
  return text
    .split(/\r?\n/)
    .filter((line) => line.trim() !== '' && !line.startsWith('#'))
    .map((line) => {
      const [number, needle, scope] = line.split('\t');
      if (!number || !needle || !scope) throw new Error(`malformed check: ${line}`);
      return { line: Number(number), needle, scope: scope.replace(/^!/, ''), absent: scope.startsWith('!') };
    });
}

function runSample(grammar, script, checks, name) {
  const lines = tokenizeLines(grammar, fs.readFileSync(script, 'utf8'));
  const failures = [];
  const searchFrom = new Map();
  for (const check of checks) {
    const tokenized = lines[check.line - 1];
    const where = `${name}:${check.line} ${check.needle}`;
    if (!tokenized) {
      failures.push(`${where}: no such line`);
      continue;
    }
    const start = tokenized.line.indexOf(check.needle, searchFrom.get(check.line) || 0);
    if (start < 0) {
      failures.push(`${where}: text not on the line`);
      continue;
    }
    searchFrom.set(check.line, start);
    for (let column = start; column < start + check.needle.length; column++) {
      const scopes = scopesAt(tokenized, column);
      if (scopes.includes(check.scope) === check.absent) {
        failures.push(`${where}: column ${column} has [${scopes.join(' ')}], ${check.absent ? 'unexpected' : 'expected'} ${check.scope}`);
        break;
      }
    }
  }
  return failures;
}

async function main() {
  const [grammarPath, samplesDir] = process.argv.slice(2);
  if (!grammarPath || !samplesDir) {
    console.error('usage: node run.js GRAMMAR SAMPLES_DIR');
    process.exit(2);
  }
  const grammar = await loadGrammar(grammarPath);
  const samples = fs.readdirSync(samplesDir).filter((f) => f.endsWith('.qel')).sort();
  let failures = [];
  let count = 0;
  for (const sample of samples) {
    const scopesFile = path.join(samplesDir, sample.replace(/\.qel$/, '.scopes'));
    const checks = parseChecks(fs.readFileSync(scopesFile, 'utf8'));
    count += checks.length;
    failures = failures.concat(runSample(grammar, path.join(samplesDir, sample), checks, sample));
  }
  for (const failure of failures) console.error(failure);
  console.log(`${samples.length} samples, ${count} checks, ${failures.length} failed`);
  process.exit(failures.length === 0 && samples.length > 0 ? 0 : 1);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
