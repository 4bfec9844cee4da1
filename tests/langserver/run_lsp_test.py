"""ruvel --lsp driven as an editor drives it, on a copy of the tutorial
project whose Orchard class is stored in Shift_JIS."""
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(__file__))
from lsp_client import Client, uri  # noqa: E402

ruvel, source = sys.argv[1], sys.argv[2]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def utf16(text):
    return len(text.encode("utf-16-le")) // 2


def lines_of(locations):
    return sorted((os.path.basename(l["uri"]), l["range"]["start"]["line"], l["range"]["start"]["character"])
                  for l in locations)


work = tempfile.mkdtemp()
project = os.path.join(work, "tutorial")
shutil.copytree(os.path.join(source, "examples", "tutorial"), project)
classes = os.path.join(project, "classes")
orchard_text = open(os.path.join(classes, "Orchard.ruvel"), encoding="utf-8").read()
open(os.path.join(classes, "Orchard.ruvel"), "wb").write(orchard_text.encode("cp932"))
orchard = uri(os.path.join(classes, "Orchard.ruvel"))
basket = uri(os.path.join(classes, "Basket.ruvel"))
fruit = uri(os.path.join(classes, "Fruit.ruvel"))
orchard_lines = orchard_text.split("\n")

c = Client([ruvel, "--lsp"])
try:
    init = c.request("initialize", {"processId": None, "rootUri": uri(project), "capabilities": {}})
    caps = init["result"]["capabilities"]
    check(caps.get("completionProvider", {}).get("triggerCharacters") == ["."], "completion after '.'")

    # Every class of the project is checked at start; all of them compile.
    c.notify("initialized", {})
    published = {}
    while len(published) < 5:
        m = c.next_message()
        if m.get("method") == "textDocument/publishDiagnostics":
            published[os.path.basename(m["params"]["uri"])] = m["params"]["diagnostics"]
    check(published == {n: [] for n in ["Basket.ruvel", "Cloud.ruvel", "Fruit.ruvel", "Orchard.ruvel", "Title.ruvel"]},
          "every class published with no errors: %s" % published)

    basket_text = open(os.path.join(classes, "Basket.ruvel"), encoding="utf-8").read()
    c.notify("textDocument/didOpen", {"textDocument": {"uri": basket, "languageId": "ruvel", "version": 1,
                                                       "text": basket_text}})
    check(c.diagnostics(basket) == [], "an opened class that compiles has no diagnostics")

    # An edit before saving: a syntax error behind Japanese text and a
    # character outside the BMP on the same line. The compiler reports the
    # last token it took, the first "=" of "x = = 20".
    lines = basket_text.split("\n")
    row = lines.index("    if (x < 20) x = 20;")
    bad = '    drawText(0, 0, "スコア😀", 0, 20, 0); x = = 20;'
    c.notify("textDocument/didChange", {
        "textDocument": {"uri": basket, "version": 2},
        "contentChanges": [{"range": {"start": {"line": row, "character": 0},
                                      "end": {"line": row, "character": len(lines[row])}}, "text": bad}]})
    diags = c.diagnostics(basket)
    want = utf16(bad[:bad.index("= =")])
    check(len(diags) == 1 and diags[0]["range"]["start"] == {"line": row, "character": want}
          and diags[0]["range"]["end"] == {"line": row, "character": want + 1}
          and diags[0]["message"].startswith("文法エラー"),
          "syntax error at line %d, UTF-16 column %d: %s" % (row, want, diags))

    # An error of the code generator: a class that does not exist, in the
    # Shift_JIS class; the statement is marked.
    c.notify("textDocument/didOpen", {"textDocument": {"uri": orchard, "languageId": "ruvel", "version": 1,
                                                       "text": orchard_text}})
    check(c.diagnostics(orchard) == [], "Orchard as the editor has it compiles")
    row_new = orchard_lines.index("      else f = new Fruit(0);")
    c.notify("textDocument/didChange", {
        "textDocument": {"uri": orchard, "version": 2},
        "contentChanges": [{"range": {"start": {"line": row_new, "character": 19},
                                      "end": {"line": row_new, "character": 24}}, "text": "Fruitx"}]})
    diags = c.diagnostics(orchard)
    check(len(diags) == 1 and "Fruitxは定義されていません" in diags[0]["message"]
          and diags[0]["range"]["start"] == {"line": row_new, "character": 6}
          and diags[0]["range"]["end"] == {"line": row_new, "character": 29},
          "unknown class in Orchard: %s" % diags)
    c.notify("textDocument/didChange", {"textDocument": {"uri": orchard, "version": 3},
                                        "contentChanges": [{"text": orchard_text}]})
    check(c.diagnostics(orchard) == [], "mended")

    # Completion after "this." while the text still has the error: the
    # class's own and inherited methods and members.
    c.notify("textDocument/didChange", {
        "textDocument": {"uri": basket, "version": 3},
        "contentChanges": [{"range": {"start": {"line": row, "character": 0}, "end": {"line": row, "character": utf16(bad)}},
                            "text": "    this."}]})
    c.diagnostics(basket)
    items = c.request("textDocument/completion", {"textDocument": {"uri": basket},
                                                  "position": {"line": row, "character": 9}})["result"]["items"]
    labels = {i["label"]: i for i in items}
    for name in ["onGenerate", "main", "x", "y", "depth", "die", "crash", "drawText"]:
        check(name in labels, "this. offers %s" % name)
    check("while" not in labels and "caught" not in labels, "this. offers only the class's names")

    # A member assigned from new SoundEffect(...) completes with the kernel
    # class's methods and their parameters; the prefix filters.
    row_o = orchard_lines.index("  sndCatch.play();")
    items = c.request("textDocument/completion", {"textDocument": {"uri": orchard},
                                                  "position": {"line": row_o, "character": 13}})["result"]["items"]
    labels = {i["label"]: i for i in items}
    check(set(labels) == {"play", "playAt"}, "sndCatch.pl offers play and playAt: %s" % sorted(labels))
    check(labels.get("playAt", {}).get("detail", "").startswith("playAt(volume)"), "playAt with its parameter")

    # Keywords and globals of the pages without a dot.
    items = c.request("textDocument/completion", {"textDocument": {"uri": orchard},
                                                  "position": {"line": 5, "character": 0}})["result"]["items"]
    labels = {i["label"] for i in items}
    for name in ["while", "return", "$pat_sheet", "$basket", "$hiscore", "SoundEffect", "Fruit", "score"]:
        check(name in labels, "plain completion offers %s" % name)

    # Definition of $orchard.caught() in Fruit goes to Orchard (Shift_JIS).
    fruit_lines = open(os.path.join(classes, "Fruit.ruvel"), encoding="utf-8").read().split("\n")
    row_f = next(i for i, l in enumerate(fruit_lines) if "$orchard.caught()" in l)
    col_f = fruit_lines[row_f].index("caught") + 2
    row_decl = orchard_lines.index("function caught() {")
    loc = c.request("textDocument/definition", {"textDocument": {"uri": fruit},
                                                "position": {"line": row_f, "character": col_f}})["result"]
    check(loc is not None and loc["uri"] == orchard and loc["range"]["start"] == {"line": row_decl, "character": 9},
          "definition of caught: %s" % loc)

    # Definition of a member goes to its first use; of a kernel method into the kernel.
    loc = c.request("textDocument/definition", {"textDocument": {"uri": orchard},
                                                "position": {"line": row_o, "character": 12}})["result"]
    check(loc is not None and loc["uri"].endswith("Kernel/classes/snd/SoundEffect.ruvel"), "definition of play: %s" % loc)

    # References of a member across classes; Japanese text before it on
    # the same line in the Shift_JIS file.
    refs = c.request("textDocument/references", {
        "textDocument": {"uri": orchard}, "position": {"line": row_decl, "character": 10},
        "context": {"includeDeclaration": True}})["result"]
    row_fh = row_f
    check(lines_of(refs) == sorted([("Orchard.ruvel", row_decl, 9), ("Fruit.ruvel", row_fh, col_f - 2)]),
          "references of caught: %s" % lines_of(refs))
    row_score = next(i for i, l in enumerate(orchard_lines) if '"スコア " + score' in l)
    refs = c.request("textDocument/references", {
        "textDocument": {"uri": orchard}, "position": {"line": orchard_lines.index("  score = 0;"), "character": 3},
        "context": {"includeDeclaration": True}})["result"]
    score_col = utf16(orchard_lines[row_score][:orchard_lines[row_score].index("+ score") + 2])
    check(("Orchard.ruvel", row_score, score_col) in lines_of(refs) and len(refs) == 5,
          "references of score: %s" % lines_of(refs))

    # Rename a member used in two classes: edits in both files.
    rows_speed = [i for i, l in enumerate(fruit_lines) if "speed" in l]
    edit = c.request("textDocument/rename", {"textDocument": {"uri": orchard},
                                             "position": {"line": row_decl, "character": 12},
                                             "newName": "onCatch"})["result"]["changes"]
    check(sorted(edit) == sorted([orchard, fruit]) and all(e["newText"] == "onCatch" for v in edit.values() for e in v),
          "rename of caught edits Orchard and Fruit: %s" % edit)
    edit = c.request("textDocument/rename", {"textDocument": {"uri": fruit},
                                             "position": {"line": rows_speed[0], "character": 3},
                                             "newName": "fall"})["result"]["changes"]
    check(list(edit) == [fruit] and sorted(e["range"]["start"]["line"] for e in edit[fruit]) == rows_speed,
          "rename of speed: %s" % edit)
    err = c.request("textDocument/rename", {"textDocument": {"uri": fruit},
                                            "position": {"line": rows_speed[0], "character": 3}, "newName": "while"})
    check("error" in err, "a keyword is no new name")
    err = c.request("textDocument/rename", {"textDocument": {"uri": orchard},
                                            "position": {"line": row_o, "character": 12}, "newName": "boom"})
    check("error" in err, "kernel methods are not renamed")

    # Hover: the signature and the description from the kernel's documentation.
    hover = c.request("textDocument/hover", {"textDocument": {"uri": fruit},
                                             "position": {"line": fruit_lines.index("    if (crash($basket)) {"),
                                                          "character": 8}})["result"]
    text = hover["contents"]["value"] if hover else ""
    check("function crash(other)" in text and "classes.game.Char" in text
          and "1 when the pattern rectangles of the two objects overlap" in text, "hover of crash: %r" % text)

    symbols = c.request("textDocument/documentSymbol", {"textDocument": {"uri": fruit}})["result"]
    names = sorted(s["name"] for s in symbols[0]["children"]) if symbols else []
    check(names == ["Fruit", "kind", "main", "speed"], "symbols of Fruit: %s" % names)

    # Malformed input: errors, never a crash; the server still answers.
    c.send_raw(b"{not json")
    m = c.next_message()
    check(m.get("error", {}).get("code") == -32700 and m.get("id") is None, "malformed JSON: %s" % m)
    c.proc.stdin.write(b"Content-Length: x\r\n\r\n")
    c.proc.stdin.flush()
    m = c.next_message()
    check(m.get("error", {}).get("code") == -32700, "bad header: %s" % m)
    c.send_raw(b'{"jsonrpc":"2.0","id":' + b"[" * 100000 + b"]" * 100000 + b',"method":"x"}')
    m = c.next_message()
    check(m.get("error", {}).get("code") == -32700, "deeply nested JSON: %s" % m)
    r = c.request("textDocument/frobnicate", {})
    check(r.get("error", {}).get("code") == -32601, "unknown method: %s" % r)
    r = c.request("textDocument/hover", {"textDocument": {"uri": fruit}, "position": {"line": 9999, "character": 9999}})
    check("result" in r and r["result"] is None, "position past the end: %s" % r)
    r = c.request("textDocument/definition", {"textDocument": {"uri": fruit}, "position": {"line": "x"}})
    check(r.get("error", {}).get("code") == -32602, "bad params: %s" % r)
    r = c.request("textDocument/references", {"textDocument": {"uri": uri(work + "/none.ruvel")},
                                              "position": {"line": 0, "character": 0}})
    check(r.get("result") == [], "unknown document: %s" % r)
    r = c.request("textDocument/completion", {"textDocument": {"uri": fruit}, "position": {"line": 0, "character": 0}})
    check("result" in r, "the server still answers")
    check(c.close() == 0, "exit code 0 after shutdown")
finally:
    if c.proc.poll() is None:
        c.proc.kill()
    shutil.rmtree(work)

# The server's compiled classes never reach the program's Temp, where the
# game would load them.
temp = os.path.join(os.path.dirname(os.path.abspath(ruvel)), "Temp")
leaked = [f for f in (os.listdir(temp) if os.path.isdir(temp) else []) if os.path.basename(work) in f]
check(leaked == [], "class files of the server in the program's Temp: %s" % leaked)

if failures:
    sys.exit("%d failures" % len(failures))
print("language server: all checks passed")
