#!/usr/bin/env python3
"""Turns the dialog templates and icon names of a resource script into a C++
table for the headless window layer of the native build, so that the script
stays the one source of the dialogs' layout.

Understood: NAME ICON "file"; NAME DIALOG x, y, cx, cy with STYLE, EXSTYLE,
CAPTION and FONT, and a BEGIN ... END block of CONTROL statements. Anything
else stops the build with a message, so the script cannot drift into forms
that this reader would misread. Style expressions follow windres: numbers
joined with "|", "NOT n" clears bits; a CONTROL starts from WS_CHILD |
WS_VISIBLE, CAPTION adds WS_CAPTION and FONT adds DS_SETFONT to the dialog.

usage: rc2headless.py resources.rc output.h
"""
import os
import re
import sys

WS_CHILD, WS_VISIBLE, WS_CAPTION, DS_SETFONT = 0x40000000, 0x10000000, 0x00C00000, 0x40


class RcError(Exception):
    pass


def tokenize(text):
    tokens = []
    i, line = 0, 1
    while i < len(text):
        c = text[i]
        if c == "\n":
            line += 1
            i += 1
        elif c.isspace():
            i += 1
        elif text.startswith("//", i):
            while i < len(text) and text[i] != "\n":
                i += 1
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            if end < 0:
                raise RcError(f"line {line}: unterminated comment")
            line += text.count("\n", i, end)
            i = end + 2
        elif c == '"':
            i += 1
            value = []
            while True:
                if i >= len(text) or text[i] == "\n":
                    raise RcError(f"line {line}: unterminated string")
                if text[i] == '"':
                    if text.startswith('""', i):  # a doubled quote stands for one
                        value.append('"')
                        i += 2
                        continue
                    i += 1
                    break
                if text[i] == "\\":
                    raise RcError(f"line {line}: backslash escapes are not supported")
                value.append(text[i])
                i += 1
            tokens.append(("str", "".join(value), line))
        elif c in ",|":
            tokens.append(("punct", c, line))
            i += 1
        else:
            m = re.compile(r"-?(0[xX][0-9A-Fa-f]+|[0-9]+)[lL]?|[A-Za-z_][A-Za-z0-9_.]*").match(text, i)
            if not m:
                raise RcError(f"line {line}: unexpected character {c!r}")
            word = m.group(0)
            if word[0].isdigit() or word[0] == "-":
                tokens.append(("num", int(word.rstrip("lL"), 0), line))
            else:
                tokens.append(("word", word, line))
            i = m.end()
    return tokens


class Parser:
    def __init__(self, tokens):
        self.tokens = tokens
        self.pos = 0

    def peek(self):
        return self.tokens[self.pos] if self.pos < len(self.tokens) else ("eof", None, -1)

    def take(self, kind, value=None):
        tok = self.peek()
        if tok[0] != kind or (value is not None and tok[1] != value):
            want = value if value is not None else kind
            raise RcError(f"line {tok[2]}: expected {want}, found {tok[1]!r}")
        self.pos += 1
        return tok[1]

    def comma(self):
        self.take("punct", ",")

    def number(self):
        return self.take("num")

    def style(self, start):
        value = start
        while True:
            if self.peek()[:2] == ("word", "NOT"):
                self.pos += 1
                value &= ~self.number() & 0xFFFFFFFF
            else:
                value |= self.number() & 0xFFFFFFFF
            if self.peek()[:2] != ("punct", "|"):
                return value
            self.pos += 1

    def rect(self):
        x = self.number(); self.comma()
        y = self.number(); self.comma()
        cx = self.number(); self.comma()
        cy = self.number()
        return x, y, cx, cy

    def script(self):
        dialogs, icons = [], []
        while self.peek()[0] != "eof":
            name = self.take("word")
            kind = self.take("word")
            if kind == "ICON":
                icons.append((name, self.take("str")))
            elif kind == "DIALOG":
                dialogs.append(self.dialog(name))
            else:
                raise RcError(f"line {self.tokens[self.pos - 1][2]}: resource type {kind} is not understood")
        return dialogs, icons

    def dialog(self, name):
        d = {"name": name, "rect": self.rect(), "style": 0, "exstyle": 0, "caption": "",
             "font_size": 0, "font": "", "controls": []}
        while True:
            word = self.take("word")
            if word == "STYLE":
                d["style"] = self.style(0)
            elif word == "EXSTYLE":
                d["exstyle"] = self.style(0)
            elif word == "CAPTION":
                d["caption"] = self.take("str")
                d["style"] |= WS_CAPTION
            elif word == "FONT":
                d["font_size"] = self.number(); self.comma()
                d["font"] = self.take("str")
                d["style"] |= DS_SETFONT
            elif word == "BEGIN":
                break
            else:
                raise RcError(f"line {self.tokens[self.pos - 1][2]}: dialog statement {word} is not understood")
        while self.peek()[:2] != ("word", "END"):
            self.take("word", "CONTROL")
            text = self.take("str"); self.comma()
            cid = self.number(); self.comma()
            cls = self.take("str") if self.peek()[0] == "str" else self.take("word")
            self.comma()
            style = self.style(WS_CHILD | WS_VISIBLE); self.comma()
            d["controls"].append({"text": text, "id": cid, "class": cls.upper(), "style": style,
                                  "rect": self.rect()})
        self.take("word", "END")
        return d


def c_string(text):
    out = []
    for ch in text:
        if ch in '"\\':
            out.append("\\" + ch)
        elif 32 <= ord(ch) < 127:
            out.append(ch)
        else:
            out.append("\\x%02x\"\"" % ord(ch))
    return '"' + "".join(out) + '"'


def emit(dialogs, icons, source):
    lines = [f"// Generated from {source} by tools/rc2headless.py: do not edit.", "#pragma once", ""]
    for d in dialogs:
        lines.append(f"static const HeadlessControlTemplate {d['name']}_Controls[] = {{")
        for c in d["controls"]:
            x, y, cx, cy = c["rect"]
            lines.append(f"    {{{c['id']}, {c_string(c['class'])}, {c_string(c['text'])}, 0x{c['style']:08X}u, "
                         f"{x}, {y}, {cx}, {cy}}},")
        lines.append("};")
    lines.append("static const HeadlessDialogTemplate HeadlessDialogTemplates[] = {")
    for d in dialogs:
        x, y, cx, cy = d["rect"]
        lines.append(f"    {{{c_string(d['name'])}, 0x{d['style']:08X}u, 0x{d['exstyle']:08X}u, {x}, {y}, {cx}, {cy}, "
                     f"{c_string(d['caption'])}, {d['font_size']}, {c_string(d['font'])}, "
                     f"{d['name']}_Controls, {len(d['controls'])}}},")
    lines.append("};")
    lines.append("static const char* const HeadlessIconNames[] = {")
    lines.extend(f"    {c_string(name)}," for name, _ in icons)
    lines.append("    nullptr,")
    lines.append("};")
    return "\n".join(lines) + "\n"


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    source, output = argv[1], argv[2]
    with open(source, encoding="latin-1") as f:
        text = f.read()
    try:
        dialogs, icons = Parser(tokenize(text)).script()
    except RcError as e:
        print(f"{source}: {e}", file=sys.stderr)
        return 1
    result = emit(dialogs, icons, os.path.basename(source))
    with open(output, "w", encoding="latin-1") as f:
        f.write(result)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
