#!/usr/bin/python3
"""Renders one user guide from Markdown to a standalone HTML page, as the
package installs it: links between the guides point to their HTML.

    render_guide.py GUIDE.md OUT.html
"""
import html
import re
import sys

import markdown

STYLE = """body { font-family: "Yu Gothic UI", "Meiryo UI", "MS PGothic", sans-serif;
  max-width: 60em; margin: 2em auto; padding: 0 1em; line-height: 1.6; }
table { border-collapse: collapse; margin: 1em 0; }
th, td { border: 1px solid #999; padding: 0.3em 0.6em; vertical-align: top; }
code, pre { font-family: Consolas, "MS Gothic", monospace; }
pre { background: #f4f4f4; padding: 0.6em; overflow-x: auto; }
img { max-width: 100%; border: 1px solid #ccc; }"""


def main():
    source, target = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    text = re.sub(r"\]\((guide\.[a-z]+)\.md\)", r"](\1.html)", text)
    body = markdown.markdown(text, extensions=["tables", "fenced_code"])
    title = re.search(r"^# (.+)$", text, re.M)
    lang = "en" if source.endswith(".en.md") else "ja"
    page = ('<!DOCTYPE html>\n<html lang="%s">\n<head>\n<meta charset="utf-8">\n'
            "<title>%s</title>\n<style>\n%s\n</style>\n</head>\n<body>\n%s\n</body>\n</html>\n"
            % (lang, html.escape(title.group(1) if title else "tarn"), STYLE, body))
    with open(target, "w", encoding="utf-8", newline="\r\n") as f:
        f.write(page)


if __name__ == "__main__":
    main()
