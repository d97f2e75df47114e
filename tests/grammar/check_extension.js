// Checks that the VS Code extension's manifest holds together: every file it
// names exists, the grammar it declares is the grammar in editors/textmate,
// the language covers .qel and .qlb, and the extension starts qelscript with
// --lsp and --dap under the debugger type the manifest declares.
//   node check_extension.js EXTENSION_DIR
'use strict';
const fs = require('fs');
const path = require('path');

const dir = process.argv[2];
const failures = [];
const check = (ok, message) => ok || failures.push(message);

const manifest = JSON.parse(fs.readFileSync(path.join(dir, 'package.json'), 'utf8'));
const contributes = manifest.contributes || {};
const language = (contributes.languages || []).find((l) => l.id === 'qelscript');
check(language, 'no language qelscript');
if (language) {
  for (const extension of ['.qel', '.qlb']) check(language.extensions.includes(extension), `language lacks ${extension}`);
  const configuration = JSON.parse(fs.readFileSync(path.join(dir, language.configuration), 'utf8'));
  const brackets = configuration.brackets.map((pair) => pair.join(''));
  for (const pair of ['「」', '［］', '（）']) check(brackets.includes(pair), `brackets lack ${pair}`);
}
const grammar = (contributes.grammars || []).find((g) => g.language === 'qelscript');
check(grammar, 'no grammar for qelscript');
if (grammar) {
  // The packaged copy is made from editors/textmate by copy-grammar.js.
  check(grammar.path === './syntaxes/qelscript.tmLanguage.json', `grammar path ${grammar.path}`);
  const source = JSON.parse(fs.readFileSync(path.join(dir, '..', 'textmate', 'qelscript.tmLanguage.json'), 'utf8'));
  check(source.scopeName === grammar.scopeName, `scope ${grammar.scopeName} is not ${source.scopeName}`);
}
const debuggers = contributes.debuggers || [];
check(debuggers.some((d) => d.type === 'qelscript'), 'no debugger of type qelscript');
check(fs.existsSync(path.join(dir, manifest.main)), `main ${manifest.main} is missing`);
const code = fs.readFileSync(path.join(dir, manifest.main), 'utf8');
check(code.includes("'--lsp'"), 'the extension does not start --lsp');
check(code.includes("'--dap'"), 'the extension does not start --dap');
check(code.includes("registerDebugAdapterDescriptorFactory('qelscript'"), 'no adapter for the debugger type');
check(manifest.dependencies && manifest.dependencies['vscode-languageclient'], 'vscode-languageclient is not a dependency');

for (const failure of failures) console.error(failure);
process.exit(failures.length === 0 ? 0 : 1);
