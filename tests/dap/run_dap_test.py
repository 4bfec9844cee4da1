#!/usr/bin/env python3
"""Debugs a small game through `ruvel --dap` as an editor does: breakpoints,
stepping, the stack, variables, evaluation, a conditional breakpoint, a
run-time error, the game's output and the end of the session; and checks
that malformed input gets error responses while the server goes on.
Usage: run_dap_test.py RUVEL_BINARY"""
import os
import sys
import tempfile
import traceback

from dap_client import DapClient, DapError

COUNTER = """\
// Adds up a step that grows by one each frame.
extends classes.game.Char;

function add(a, b) {
  var s;
  s = a + b; // ADD_FIRST
  return s;
}

function main() {
  var step;
  total = 0;
  step = 3;
  while (1) {
    total = add(total, step); // CALL_ADD
    step = step + 1; // AFTER_ADD
    if (step == 6) print("step six");
    if (step == 10) total = total / (step - 10); // FAULT
    suspend();
  }
}
"""

PAGE = """\
<resourcelist name="usr">
 <resourcelist name="classes">
  <class name="Counter" src="classes/Counter.ruvel">
 </resourcelist>
 <resourcelist name="gen">
  <generator className="Counter" name="$counter" inst_x="0" inst_y="0">
 </resourcelist>
</resourcelist>
"""

PROJECT = """\
<resourcelist name="project">
 <resourcelist name="pages">
  <page name="$page_main" src="main.cmml"/>
 </resourcelist>
 <resourcelist name="params">
  <param name="mainPage" value="$page_main"/>
 </resourcelist>
</resourcelist>
"""

failures = []


def check(what, cond, detail=""):
    if not cond:
        failures.append("%s %s" % (what, detail))
        print("FAIL:", what, detail)


def line_of(marker):
    for n, text in enumerate(COUNTER.splitlines(), 1):
        if marker in text:
            return n
    raise KeyError(marker)


def write_project(root):
    os.makedirs(os.path.join(root, "classes"))
    for name, text in (("classes/Counter.ruvel", COUNTER), ("main.cmml", PAGE), ("default.ruvelprj", PROJECT)):
        with open(os.path.join(root, name), "w") as f:
            f.write(text)
    return os.path.realpath(os.path.join(root, "classes", "Counter.ruvel"))


def stop(c, action, arguments=None):
    """Runs a command and returns the stopped event that follows it."""
    since = len(c.events)
    c.ok(action, arguments)
    return c.event("stopped", since=since)["body"]


def top_frame(c, thread):
    frames = c.ok("stackTrace", {"threadId": thread})["stackFrames"]
    check("stack has frames", len(frames) > 0)
    return frames[0], frames


def variables(c, ref):
    return {v["name"]: v for v in c.ok("variables", {"variablesReference": ref})["variables"]}


def scope_vars(c, frame_id):
    """The variables of each scope of a frame, by scope position: locals
    first, then this."""
    scopes = c.ok("scopes", {"frameId": frame_id})["scopes"]
    return [variables(c, s["variablesReference"]) for s in scopes if s["variablesReference"] > 0]


def debug_session(ruvel, work):
    source = write_project(os.path.join(work, "game"))
    c = DapClient(ruvel, os.path.join(work, "stderr.txt"))
    try:
        caps = c.ok("initialize", {"adapterID": "ruvel", "linesStartAt1": True, "columnsStartAt1": True})
        check("capabilities", caps.get("supportsConfigurationDoneRequest") and caps.get("supportsConditionalBreakpoints")
              and caps.get("supportsEvaluateForHovers"), str(caps))
        filters = caps.get("exceptionBreakpointFilters", [])
        check("one run-time error filter, on by default", len(filters) == 1 and filters[0].get("default") is True,
              str(filters))
        bad = c.request("launch", {"project": os.path.join(work, "nowhere"), "headless": True})
        check("launch of a missing project fails", not bad["success"] and bad.get("message"), str(bad))
        c.ok("launch", {"project": os.path.join(work, "game"), "headless": True})
        c.event("initialized")
        bps = c.ok("setBreakpoints", {"source": {"path": source}, "breakpoints": [{"line": line_of("CALL_ADD")}]})
        bp = bps["breakpoints"]
        check("breakpoint verified on its line", len(bp) == 1 and bp[0]["verified"] and bp[0]["line"] == line_of("CALL_ADD"),
              str(bp))
        c.ok("setExceptionBreakpoints", {"filters": ["runtimeError"]})
        since = len(c.events)
        c.ok("configurationDone")
        stopped = c.event("stopped", since=since)["body"]
        check("stopped at the breakpoint", stopped["reason"] == "breakpoint", str(stopped))
        thread = stopped["threadId"]
        threads = [t["id"] for t in c.ok("threads")["threads"]]
        check("the stopped process is a thread", thread in threads, str(threads))
        frame, _ = top_frame(c, thread)
        check("stack: file and line", frame["source"]["path"] == source and frame["line"] == line_of("CALL_ADD"),
              str(frame))
        check("stack: method", frame["name"].endswith("main"), frame["name"])
        scopes = scope_vars(c, frame["id"])
        check("locals by name", scopes and scopes[0].get("step", {}).get("value") == "3", str(scopes))
        check("members by name", len(scopes) > 1 and scopes[1].get("total", {}).get("value") == "0", str(scopes))

        # Malformed input while stopped: each gets an error, the server goes on.
        c.send_raw(b"Content-Length: abc\r\n\r\n")
        c.send_raw(b"Hello there\r\n\r\n")
        c.send_raw(b"Content-Length: 9\r\n\r\n{\"seq\": 1")
        for what in ("bad length", "header without colon", "invalid JSON"):
            m = c.response(0)
            check("error response: " + what, m["success"] is False and m.get("message"), str(m))
        r = c.request("flyToTheMoon", {})
        check("unknown command refused", not r["success"] and "flyToTheMoon" in r.get("message", ""), str(r))
        r = c.request("variables", {"variablesReference": 987654})
        check("unknown variables reference refused", not r["success"] and r.get("message"), str(r))
        r = c.request("scopes", {"frameId": 987654})
        check("unknown frame refused", not r["success"] and r.get("message"), str(r))
        r = c.request("stackTrace", {})
        check("missing argument refused", not r["success"] and r.get("message"), str(r))
        frame, _ = top_frame(c, thread)
        check("server still answers after bad input", frame["line"] == line_of("CALL_ADD"), str(frame))

        stopped = stop(c, "next", {"threadId": thread})
        frame, _ = top_frame(c, thread)
        check("next: a step to the next line", stopped["reason"] == "step" and frame["line"] == line_of("AFTER_ADD"),
              "%s %s" % (stopped, frame))
        scopes = scope_vars(c, frame["id"])
        check("next ran the call", len(scopes) > 1 and scopes[1].get("total", {}).get("value") == "3", str(scopes))

        stopped = stop(c, "continue", {"threadId": thread})
        frame, _ = top_frame(c, thread)
        check("continue: the breakpoint again", stopped["reason"] == "breakpoint" and frame["line"] == line_of("CALL_ADD"),
              str(frame))
        stop(c, "stepIn", {"threadId": thread})
        frame, frames = top_frame(c, thread)
        check("stepIn enters the method's first line", frame["name"].endswith("add") and frame["line"] == line_of("ADD_FIRST"),
              str(frame))
        check("stepIn: the caller below", len(frames) > 1 and frames[1]["line"] == line_of("CALL_ADD"), str(frames[:2]))
        args = scope_vars(c, frame["id"])
        check("arguments by name", args and args[0].get("a", {}).get("value") == "3"
              and args[0].get("b", {}).get("value") == "4", str(args))
        stop(c, "stepOut", {"threadId": thread})
        frame, _ = top_frame(c, thread)
        check("stepOut comes back to main", frame["name"].endswith("main")
              and frame["line"] in (line_of("CALL_ADD"), line_of("AFTER_ADD")), str(frame))
        value = c.ok("evaluate", {"expression": "step * 10 + 1", "frameId": frame["id"], "context": "watch"})
        check("evaluate on locals", value.get("result") == "41", str(value))
        r = c.request("evaluate", {"expression": "step +* 2", "frameId": frame["id"]})
        check("evaluate of bad text fails", not r["success"] and r.get("message"), str(r))

        bp = c.ok("setBreakpoints", {"source": {"path": source},
                                     "breakpoints": [{"line": line_of("CALL_ADD"), "condition": "step == 8"}]})
        check("conditional breakpoint verified", bp["breakpoints"][0]["verified"], str(bp))
        stopped = stop(c, "continue", {"threadId": thread})
        value = c.ok("evaluate", {"expression": "step"})
        check("conditional breakpoint stops when true", stopped["reason"] == "breakpoint" and value.get("result") == "8",
              "%s %s" % (stopped, value))
        outputs = [e["body"] for e in c.events if e.get("event") == "output"]
        check("the game's print is an output event",
              any(o.get("category") == "stdout" and "step six" in o.get("output", "") for o in outputs), str(outputs))

        c.ok("setBreakpoints", {"source": {"path": source}, "breakpoints": []})
        stopped = stop(c, "continue", {"threadId": thread})
        check("a run-time error stops with its text", stopped["reason"] == "exception" and "ゼロ" in stopped.get("text", ""),
              str(stopped))
        frame, _ = top_frame(c, thread)
        check("the error's line", frame["line"] == line_of("FAULT"), str(frame))

        c.ok("disconnect", {"terminateDebuggee": True})
        code = c.finish()
        check("disconnect ends the program with 0", code == 0, str(code))
        check("terminated event", any(e.get("event") == "terminated" for e in c.events))
    except DapError as e:
        failures.append(str(e))
        traceback.print_exc()
    finally:
        if c.proc.poll() is None:
            c.proc.kill()
            c.finish()
    with open(os.path.join(work, "stderr.txt"), errors="replace") as f:
        err = f.read()
    if failures:
        print("stderr of the server:\n" + err)


def main():
    ruvel = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as work:
        debug_session(ruvel, work)
    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    print("dap: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
