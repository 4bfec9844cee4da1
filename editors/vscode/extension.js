// The editor side of Ruvel: starts `ruvel --lsp` as the language server of
// .ruvel files and runs `ruvel --dap` for debug sessions of type "ruvel".
// The program is the one the setting ruvel.path names.
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

let client;

function programPath() {
  return vscode.workspace.getConfiguration('ruvel').get('path') || 'ruvel';
}

function startClient(context) {
  const serverOptions = { command: programPath(), args: ['--lsp'] };
  const clientOptions = {
    documentSelector: [{ scheme: 'file', language: 'ruvel' }],
    synchronize: { fileEvents: vscode.workspace.createFileSystemWatcher('**/*.ruvel') },
  };
  client = new LanguageClient('ruvel', 'Ruvel', serverOptions, clientOptions);
  client.start();
  context.subscriptions.push({ dispose: () => client && client.stop() });
}

function activate(context) {
  startClient(context);
  context.subscriptions.push(
    vscode.debug.registerDebugAdapterDescriptorFactory('ruvel', {
      createDebugAdapterDescriptor() {
        return new vscode.DebugAdapterExecutable(programPath(), ['--dap']);
      },
    }),
    // A new program path takes effect with a new server.
    vscode.workspace.onDidChangeConfiguration(async (e) => {
      if (!e.affectsConfiguration('ruvel.path')) return;
      if (client) await client.stop();
      startClient(context);
    }),
  );
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
