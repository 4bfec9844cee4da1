"""A language-server client for tests: starts a program with pipes, as an
editor does, and speaks Content-Length framed JSON-RPC with it."""
import json
import subprocess
import threading
import queue
import pathlib
import urllib.parse


def uri(path):
    return "file://" + urllib.parse.quote(str(pathlib.Path(path).resolve()))


class Client:
    def __init__(self, argv):
        self.proc = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.messages = queue.Queue()
        self.next_id = 0
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        out = self.proc.stdout
        while True:
            length = None
            while True:
                line = out.readline()
                if not line:
                    self.messages.put(None)
                    return
                line = line.strip()
                if not line:
                    break
                name, _, value = line.partition(b":")
                if name.lower() == b"content-length":
                    length = int(value)
            self.messages.put(json.loads(out.read(length)))

    def send_raw(self, body):
        data = body if isinstance(body, bytes) else body.encode()
        self.proc.stdin.write(b"Content-Length: %d\r\n\r\n" % len(data) + data)
        self.proc.stdin.flush()

    def notify(self, method, params):
        self.send_raw(json.dumps({"jsonrpc": "2.0", "method": method, "params": params}))

    def request(self, method, params):
        self.next_id += 1
        self.send_raw(json.dumps({"jsonrpc": "2.0", "id": self.next_id, "method": method, "params": params}))
        return self.response(self.next_id)

    def next_message(self, timeout=20):
        m = self.messages.get(timeout=timeout)
        if m is None:
            raise RuntimeError("the server closed its output")
        return m

    def response(self, id_):
        while True:
            m = self.next_message()
            if m.get("id") == id_ and "method" not in m:
                return m
            self.on_other(m)

    def diagnostics(self, file_uri):
        """Waits for the next diagnostics published for file_uri."""
        while True:
            m = self.next_message()
            if m.get("method") == "textDocument/publishDiagnostics" and m["params"]["uri"] == file_uri:
                return m["params"]["diagnostics"]
            self.on_other(m)

    def on_other(self, m):
        pass

    def close(self):
        try:
            self.request("shutdown", None)
            self.notify("exit", None)
        finally:
            code = self.proc.wait(timeout=20)
        return code
