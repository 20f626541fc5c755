#!/usr/bin/env python3
"""Writes the self-contained page: the template with the WebAssembly module and the music
inlined, each gzipped and base64-coded, so that the one file works from file:// (where a browser
fetches nothing beside the page). Gzipped, the page is half the size; the music comes after the
script, so that the show starts before the browser has read it.

The inline script and style are written out of the template unchanged (the module and the
music sit in data elements of their own), so that their hashes, and with them the strict
Content-Security-Policy a host sends with the page, change only with the template; POLICY gets
that policy, one line.

usage: make_page.py TEMPLATE MODULE MUSIC OUTPUT POLICY
"""
import base64
import gzip
import hashlib
import re
import sys


def packed(path):
    with open(path, "rb") as data:
        # No time stamp, so that the same input gives the same page.
        return base64.b64encode(gzip.compress(data.read(), compresslevel=9, mtime=0)).decode()


def source_hashes(page, tag):
    """The CSP source expressions of the page's inline elements `tag` that the browser runs
    (scripts without a type, styles)."""
    found = []
    for match in re.finditer(rf"<{tag}(\s[^>]*)?>(.*?)</{tag}>", page, re.S):
        if "type=" in (match.group(1) or ""):
            continue
        digest = hashlib.sha256(match.group(2).encode("utf-8")).digest()
        found.append(f"'sha256-{base64.b64encode(digest).decode()}'")
    return found


def policy(page):
    return (f"default-src 'none'; script-src {' '.join(source_hashes(page, 'script'))} "
            f"'wasm-unsafe-eval'; style-src {' '.join(source_hashes(page, 'style'))}; "
            "img-src data:")


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    template_path, module_path, music_path, output_path, policy_path = sys.argv[1:]
    with open(template_path, encoding="utf-8") as template_file:
        template = template_file.read()
    for mark in ("@WASM_BASE64@", "@MUSIC_BASE64@"):
        if template.count(mark) != 1:
            sys.exit(f"make_page.py: the template must hold {mark} once")
    page = template.replace("@WASM_BASE64@", packed(module_path))
    page = page.replace("@MUSIC_BASE64@", packed(music_path))
    with open(output_path, "w", encoding="utf-8") as output:
        output.write(page)
    with open(policy_path, "w", encoding="utf-8") as output:
        output.write(policy(page) + "\n")


if __name__ == "__main__":
    main()
