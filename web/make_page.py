#!/usr/bin/env python3
"""Writes the self-contained page: the template with the WebAssembly module and the music
inlined, each gzipped and base64-coded, so that the one file works from file:// (where a browser
fetches nothing beside the page). Gzipped, the page is half the size; the music comes after the
script, so that the show starts before the browser has read it.

usage: make_page.py TEMPLATE MODULE MUSIC OUTPUT
"""
import base64
import gzip
import sys


def packed(path):
    with open(path, "rb") as data:
        # No time stamp, so that the same input gives the same page.
        return base64.b64encode(gzip.compress(data.read(), compresslevel=9, mtime=0)).decode()


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    template_path, module_path, music_path, output_path = sys.argv[1:]
    with open(template_path, encoding="utf-8") as template_file:
        template = template_file.read()
    for mark in ("@WASM_BASE64@", "@MUSIC_BASE64@"):
        if template.count(mark) != 1:
            sys.exit(f"make_page.py: the template must hold {mark} once")
    page = template.replace("@WASM_BASE64@", packed(module_path))
    page = page.replace("@MUSIC_BASE64@", packed(music_path))
    with open(output_path, "w", encoding="utf-8") as output:
        output.write(page)


if __name__ == "__main__":
    main()
