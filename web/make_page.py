#!/usr/bin/env python3
"""Writes the self-contained page: the template with the WebAssembly module inlined as base64,
so that the one file works from file:// (where a browser fetches nothing beside the page).

usage: make_page.py TEMPLATE MODULE OUTPUT
"""
import base64
import sys


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    template_path, module_path, output_path = sys.argv[1:]
    with open(template_path, encoding="utf-8") as template_file:
        template = template_file.read()
    if template.count("@WASM_BASE64@") != 1:
        sys.exit("make_page.py: the template must hold @WASM_BASE64@ once")
    with open(module_path, "rb") as module_file:
        encoded = base64.b64encode(module_file.read()).decode("ascii")
    with open(output_path, "w", encoding="utf-8") as output:
        output.write(template.replace("@WASM_BASE64@", encoded))


if __name__ == "__main__":
    main()
