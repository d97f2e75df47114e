// Starts the language server (qelscript --lsp) for .qel and .qlb files and
// runs the debugger (qelscript --dap) for launch configurations of type
// "qelscript". Both are the one qelscript executable, found on PATH or named
// by the setting qelscript.path.
'use strict';
const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');

let client;

function qelscriptPath() {
  return vscode.workspace.getConfiguration('qelscript').get('path') || 'qelscript';
}

function startLanguageServer(context) {
  const server = { command: qelscriptPath(), args: ['--lsp'], transport: TransportKind.stdio };
  client = new LanguageClient(
    'qelscript',
    'Qelscript',
    { run: server, debug: server },
    {
      documentSelector: [{ scheme: 'file', language: 'qelscript' }, { scheme: 'untitled', language: 'qelscript' }],
    },
  );
  context.subscriptions.push(client);
  client.start().catch((error) => {
    vscode.window.showWarningMessage(`qelscript --lsp を起動できません: ${error.message}`);
  });
}

class DebugAdapterFactory {
  createDebugAdapterDescriptor() {
    return new vscode.DebugAdapterExecutable(qelscriptPath(), ['--dap']);
  }
}

// F5 on a script with no launch.json runs the open file.
class ConfigurationProvider {
  resolveDebugConfiguration(folder, config) {
    if (!config.type && !config.request && !config.name) {
      const editor = vscode.window.activeTextEditor;
      if (editor && editor.document.languageId === 'qelscript') {
        config.type = 'qelscript';
        config.name = 'スクリプトを実行';
        config.request = 'launch';
        config.program = '${file}';
      }
    }
    if (!config.program) {
      return vscode.window.showInformationMessage('実行するスクリプトがありません').then(() => undefined);
    }
    return config;
  }
}

function activate(context) {
  startLanguageServer(context);
  context.subscriptions.push(
    vscode.debug.registerDebugAdapterDescriptorFactory('qelscript', new DebugAdapterFactory()),
    vscode.debug.registerDebugConfigurationProvider('qelscript', new ConfigurationProvider()),
  );
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
