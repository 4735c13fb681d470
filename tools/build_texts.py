#!/usr/bin/env python3
"""Turns the build's text settings (UTF-8, as CMake holds them) into what the
program and its package need, so no GBK byte ever passes through a shell or
a CMake string:

  header OUT [L:]NAME=VALUE...
      a header of #defines: WEATHER_WTEXT_<NAME> as a UTF-16 literal for the
      resource script (windres reads narrow strings as Latin-1, so only
      L"\\x..." survives) and, unless the setting starts with "L:", also
      WEATHER_TEXT_<NAME> as a GBK literal for the windows and
      WEATHER_UTF8_<NAME> with the setting's own bytes for their tests; every
      character escaped. A window text not representable in GBK is an error
      naming it.
  text IN OUT gbk|utf-8-sig
      a copy of a UTF-8 text file in GBK (or UTF-8 with a byte order mark)
      with Windows line ends, for the package.
  texts IN OUT NAMESPACE
      a header of a layer's own texts from their UTF-8 source IN: each line
      "kName = text" becomes inline constexpr char kName[] in NAMESPACE, a GBK
      literal with the text in a comment; "#" lines are comments, copied. A
      text in double quotes may hold \r, \n, \" and \\ and keeps its blanks.

Standard library only.
"""

import pathlib
import sys


def gbk_bytes(text):
    # Code page 936 as Windows has it: Python's GBK lacks only the euro sign.
    return b"".join(b"\x80" if c == "\u20ac" else c.encode("gbk") for c in text)


def byte_literal(data):
    return '"' + "".join("\\x%02X" % b for b in data) + '"'


def gbk_literal(text):
    return byte_literal(gbk_bytes(text))


def wide_literal(text):
    return 'L"' + "".join("\\x%04X" % ord(c) for c in text) + '"'


def write_header(path, settings):
    lines = ["// Generated from the build's text settings by tools/build_texts.py.",
             "#ifndef WEATHER_BUILD_TEXTS_H", "#define WEATHER_BUILD_TEXTS_H", ""]
    for setting in settings:
        wide_only = setting.startswith("L:")
        name, sep, value = setting[2 if wide_only else 0:].partition("=")
        if not sep or not name.isidentifier():
            raise SystemExit("build_texts.py: expected [L:]NAME=VALUE, got %r" % setting)
        if not wide_only:
            try:
                lines.append("#define WEATHER_TEXT_%s %s" % (name, gbk_literal(value)))
                lines.append("#define WEATHER_UTF8_%s %s" % (name, byte_literal(value.encode())))
            except UnicodeEncodeError as error:
                raise SystemExit("build_texts.py: %s has a character GBK cannot hold: %r"
                                 % (name, error.object))
        lines.append("#define WEATHER_WTEXT_%s %s" % (name, wide_literal(value)))
    lines += ["", "#endif", ""]
    write_if_changed(path, "\n".join(lines).encode("ascii"))


def unquoted(value, where):
    if not (len(value) >= 2 and value.startswith('"') and value.endswith('"')):
        return value
    escapes = {"r": "\r", "n": "\n", '"': '"', "\\": "\\"}
    text, i = [], 1
    while i < len(value) - 1:
        c = value[i]
        if c == "\\":
            i += 1
            if i >= len(value) - 1 or value[i] not in escapes:
                raise SystemExit("build_texts.py: %s: unknown escape" % where)
            c = escapes[value[i]]
        text.append(c)
        i += 1
    return "".join(text)


def write_texts(source, path, namespace):
    named = "/".join(pathlib.PurePath(source).parts[-2:])
    lines = ["// Generated from %s by tools/build_texts.py: the texts as GBK bytes." % named,
             "#pragma once", "", "namespace %s {" % namespace, ""]
    with open(source, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\r\n")
            where = "%s:%d" % (source, number)
            if not line.strip():
                lines.append("")
            elif line.startswith("#"):
                lines.append("//" + line[1:])
            else:
                name, sep, value = line.partition(" = ")
                if not sep or not name.isidentifier():
                    raise SystemExit("build_texts.py: %s: expected kName = text" % where)
                text = unquoted(value, where)
                try:
                    literal = gbk_literal(text)
                except UnicodeEncodeError as error:
                    raise SystemExit("build_texts.py: %s: a character GBK cannot hold: %r"
                                     % (where, error.object))
                shown = text.replace("\r", "\\r").replace("\n", "\\n")
                lines.append("inline constexpr char %s[] = %s;  // %s" % (name, literal, shown))
    lines += ["", "}  // namespace %s" % namespace, ""]
    write_if_changed(path, "\n".join(lines).encode("utf-8"))


def write_if_changed(path, data):
    """Keeps an unchanged file's time stamp: no rebuilds, the same zip."""
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except OSError:
        pass
    with open(path, "wb") as f:
        f.write(data)


def write_text(source, target, encoding):
    with open(source, encoding="utf-8") as f:
        text = f.read()
    text = text.replace("\r\n", "\n").replace("\n", "\r\n")
    write_if_changed(target, gbk_bytes(text) if encoding == "gbk" else text.encode(encoding))


def main(argv):
    if len(argv) >= 2 and argv[0] == "header":
        write_header(argv[1], argv[2:])
    elif len(argv) == 4 and argv[0] == "text" and argv[3] in ("gbk", "utf-8-sig"):
        write_text(argv[1], argv[2], argv[3])
    elif len(argv) == 4 and argv[0] == "texts":
        write_texts(argv[1], argv[2], argv[3])
    else:
        raise SystemExit(__doc__)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
