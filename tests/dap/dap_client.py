"""A debug adapter client as an editor runs one: starts `ruvel --dap`
with pipes, frames requests with Content-Length headers, and collects the
responses and events the server writes."""
import json
import queue
import subprocess
import threading
import time


class DapError(Exception):
    pass


class DapClient:
    def __init__(self, ruvel, stderr_path):
        self.stderr = open(stderr_path, "wb")
        self.proc = subprocess.Popen([ruvel, "--dap"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=self.stderr)
        self.seq = 0
        self.messages = queue.Queue()
        self.events = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        out = self.proc.stdout
        while True:
            headers = {}
            while True:
                line = out.readline()
                if not line:
                    self.messages.put(None)
                    return
                line = line.strip()
                if not line:
                    break
                name, _, value = line.decode().partition(":")
                headers[name.strip().lower()] = value.strip()
            body = out.read(int(headers["content-length"]))
            self.messages.put(json.loads(body))

    def send_raw(self, data):
        self.proc.stdin.write(data)
        self.proc.stdin.flush()

    def send(self, message):
        body = json.dumps(message).encode()
        self.send_raw(b"Content-Length: %d\r\n\r\n" % len(body) + body)

    def _next(self, deadline):
        left = deadline - time.monotonic()
        if left <= 0:
            raise DapError("timed out")
        try:
            m = self.messages.get(timeout=left)
        except queue.Empty:
            raise DapError("timed out")
        if m is None:
            raise DapError("the server closed its output")
        if m.get("type") == "event":
            self.events.append(m)
        return m

    def request(self, command, arguments=None, timeout=20):
        """Sends a request and returns its response (success or not)."""
        self.seq += 1
        message = {"seq": self.seq, "type": "request", "command": command}
        if arguments is not None:
            message["arguments"] = arguments
        self.send(message)
        return self.response(self.seq, timeout)

    def response(self, request_seq, timeout=20):
        deadline = time.monotonic() + timeout
        while True:
            m = self._next(deadline)
            if m.get("type") == "response" and m.get("request_seq") == request_seq:
                return m

    def ok(self, command, arguments=None):
        r = self.request(command, arguments)
        if not r.get("success"):
            raise DapError("%s failed: %s" % (command, r.get("message")))
        return r.get("body", {})

    def event(self, name, timeout=20, since=0):
        """The first event of that name after the first `since` events seen,
        waiting for it to come."""
        deadline = time.monotonic() + timeout
        while True:
            for e in self.events[since:]:
                if e.get("event") == name:
                    return e
            self._next(deadline)

    def finish(self, timeout=20):
        try:
            return self.proc.wait(timeout)
        finally:
            self.stderr.close()
