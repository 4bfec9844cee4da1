"""The editor extension's files: valid JSON that names what the program
offers, and a grammar whose keywords are the lexer's (as the running
language server completes them)."""
import json
import os
import re
import sys
import tempfile

sys.path.insert(0, os.path.dirname(__file__))
from lsp_client import Client, uri  # noqa: E402

ruvel, source = sys.argv[1], sys.argv[2]
ext = os.path.join(source, "editors", "vscode")
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def load(name):
    with open(os.path.join(ext, name), encoding="utf-8") as f:
        return json.load(f)


pkg = load("package.json")
langs = {l["id"]: l for l in pkg["contributes"]["languages"]}
check(".ruvel" in langs.get("ruvel", {}).get("extensions", []), "language ruvel for .ruvel")
check(".cmml" in langs.get("cmml", {}).get("extensions", []), "language cmml for .cmml")
for lang in langs.values():
    load(lang["configuration"])
grammars = {g["language"]: load(g["path"]) for g in pkg["contributes"]["grammars"]}
check(set(grammars) == {"ruvel", "cmml"}, "grammars for both languages")
for g, body in grammars.items():
    check(body["scopeName"] == next(x["scopeName"] for x in pkg["contributes"]["grammars"] if x["language"] == g),
          "scope name of %s" % g)
debugger = next((d for d in pkg["contributes"]["debuggers"] if d["type"] == "ruvel"), {})
launch = debugger.get("configurationAttributes", {}).get("launch", {}).get("properties", {})
check(set(launch) == {"project", "page", "headless", "stopOnEntry"}, "launch attributes: %s" % sorted(launch))
client = open(os.path.join(ext, pkg["main"]), encoding="utf-8").read()
check("'--lsp'" in client and "'--dap'" in client and "get('path')" in client,
      "the client starts ruvel --lsp and --dap with the configured path")
check("ruvel.path" in pkg["contributes"]["configuration"]["properties"], "setting ruvel.path")

# Keywords: every word of the grammar's keyword patterns against the
# keywords the server completes, which it reads from the lexer's table.
words = set()
for p in grammars["ruvel"]["repository"]["keywords"]["patterns"]:
    m = re.fullmatch(r"\\b\(([a-z|]+)\)\\b", p["match"])
    check(m is not None, "keyword pattern %s" % p["match"])
    if m:
        words |= set(m.group(1).split("|"))

with tempfile.TemporaryDirectory() as work:
    path = os.path.join(work, "A.ruvel")
    open(path, "w").write("extends classes.lang.Object;\n")
    c = Client([ruvel, "--lsp"])
    try:
        c.request("initialize", {"rootUri": uri(work), "capabilities": {}})
        c.notify("initialized", {})
        c.notify("textDocument/didOpen", {"textDocument": {"uri": uri(path), "languageId": "ruvel", "version": 1,
                                                           "text": "extends classes.lang.Object;\n\n"}})
        items = c.request("textDocument/completion", {"textDocument": {"uri": uri(path)},
                                                      "position": {"line": 1, "character": 0}})["result"]["items"]
        lexer = {i["label"] for i in items if i["kind"] == 14}
        check(c.close() == 0, "server exit")
    finally:
        if c.proc.poll() is None:
            c.proc.kill()
check(len(lexer) > 10 and words == lexer,
      "grammar keywords equal the lexer's: only in grammar %s, only in lexer %s" % (words - lexer, lexer - words))

if failures:
    sys.exit("%d failures" % len(failures))
print("editor extension: all checks passed")
