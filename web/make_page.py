#!/usr/bin/env python3
"""Makes the page: one HTML file that holds everything it needs.

    make_page.py --module MODULE.js --icon ICON.svg --output PAGE.html \
                 SHELL.html STYLE.css SCRIPT.js

The shell's @STYLE@ and @SCRIPT@ become the style and the module followed by
the page's script, @ICON@ the icon as a data URL, and @POLICY@ the page's
Content-Security-Policy: nothing may be loaded from anywhere, and only this
script and this style may run, named by their SHA-256 hashes.
"""
import argparse
import base64
import hashlib
import re
import sys


def digest(text):
    return "'sha256-" + base64.b64encode(hashlib.sha256(text.encode()).digest()).decode() + "'"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--module", required=True)
    parser.add_argument("--icon", required=True)
    parser.add_argument("--output", required=True)
    parser.add_argument("shell")
    parser.add_argument("style")
    parser.add_argument("script")
    args = parser.parse_args()

    def read(path):
        with open(path, encoding="utf-8") as file:
            return file.read()

    style = read(args.style)
    # The module and the page's script share one scope, in which the module
    # finds no fetch: it then reads the WebAssembly it carries straight from
    # its own text rather than fetching it from a data URL, which the policy
    # forbids as a connection.
    script = ("(function (fetch) {\n" + read(args.module).strip() + "\n" + read(args.script) +
              "})();\n")
    # Either would end its element early.
    for name, text, end in (("style", style, "</style"), ("script", script, "</script")):
        if end in text.lower() or "<!--" in text:
            sys.exit(f"make_page.py: the {name} holds {end!r} or '<!--'")
    with open(args.icon, "rb") as file:
        icon = "data:image/svg+xml;base64," + base64.b64encode(file.read()).decode()
    # WebAssembly is compiled from the script's own bytes ('wasm-unsafe-eval');
    # no other code is evaluated.
    policy = "; ".join([
        "default-src 'none'",
        f"script-src {digest(script)} 'wasm-unsafe-eval'",
        f"style-src {digest(style)}",
        "img-src data:",
        "base-uri 'none'",
        "form-action 'none'",
    ])
    values = {"POLICY": policy, "ICON": icon, "STYLE": style, "SCRIPT": script}
    page = re.sub(r"@(POLICY|ICON|STYLE|SCRIPT)@", lambda m: values[m.group(1)], read(args.shell))
    with open(args.output, "w", encoding="utf-8") as file:
        file.write(page)


if __name__ == "__main__":
    main()
