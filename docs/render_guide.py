#!/usr/bin/python3
"""Renders the operator's guide (Markdown) into one HTML page.

The page carries its own style and needs nothing from the network: it is
opened from the disk by the desktop's browser, at a finish line that may have
no connection.  Pictures stay separate files beside the page; a picture the
text names but the source folder lacks stops the build, so that the installed
guide never shows a broken image.

Usage: render_guide.py SOURCE.md OUTPUT.html
Called by the build (docs/CMakeLists.txt); needs Debian's python3-markdown.
"""
import html
import os
import re
import sys

import markdown

STYLE = """
html { font-family: "DejaVu Sans", "Noto Sans", Arial, sans-serif; font-size: 17px;
       line-height: 1.5; color: #1a1a1a; background: #fff; }
body { max-width: 50em; margin: 0 auto; padding: 1em 1.5em 4em; }
h1 { font-size: 1.9em; margin-bottom: 0.3em; }
h2 { font-size: 1.4em; margin-top: 2em; padding-top: 0.4em; border-top: 2px solid #2e7d32; }
h3 { font-size: 1.1em; margin-top: 1.5em; }
a { color: #1a5fb4; }
code, kbd { font-family: "DejaVu Sans Mono", monospace; font-size: 0.92em; }
code { background: #f2f2f2; padding: 0 0.2em; border-radius: 3px; }
kbd { border: 1px solid #999; border-bottom-width: 2px; border-radius: 3px;
      padding: 0 0.3em; background: #fafafa; white-space: nowrap; }
pre { background: #f2f2f2; padding: 0.6em 0.8em; overflow-x: auto; border-radius: 4px; }
pre code { background: none; padding: 0; }
table { border-collapse: collapse; margin: 0.8em 0; }
th, td { border: 1px solid #bbb; padding: 0.25em 0.6em; text-align: left; vertical-align: top; }
th { background: #e8f0e8; }
img { max-width: 100%; height: auto; border: 1px solid #ccc; }
.toc { background: #f6f8f6; border: 1px solid #d0dcd0; padding: 0.4em 1em; margin: 1em 0 2em; }
.toc ul { margin: 0.2em 0; padding-left: 1.2em; }
blockquote { margin: 1em 0; padding: 0.4em 1em; border-left: 4px solid #e0a000; background: #fff8e0; }
@media print { body { max-width: none; } h2 { page-break-before: auto; } a { color: inherit; } }
"""

PAGE = """<!DOCTYPE html>
<html lang="cs">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>{title}</title>
<style>{style}</style>
</head>
<body>
{body}
</body>
</html>
"""


# Tags the page may hold.  A text such as "<neznámý>" written without
# escaping would otherwise pass as an unknown tag and vanish from the page.
KNOWN_TAGS = {"a", "blockquote", "br", "code", "div", "em", "h1", "h2", "h3", "h4", "hr", "img", "kbd",
              "li", "ol", "p", "pre", "span", "strong", "table", "tbody", "td", "th", "thead", "tr", "ul"}


def unknown_tags(body):
    return sorted({name for name in re.findall(r"</?([^\s>/!]+)", body) if name.lower() not in KNOWN_TAGS})


def render(text, source_dir):
    md = markdown.Markdown(extensions=["tables", "fenced_code", "sane_lists", "toc"],
                           extension_configs={"toc": {"toc_depth": "2-2", "title": "Obsah"}})
    body = md.convert(text)
    # The contents stand after the opening words, before the first section.
    first_section = body.find("<h2")
    if first_section >= 0:
        body = body[:first_section] + md.toc + "\n" + body[first_section:]
    match = re.search(r"^# (.+)$", text, re.MULTILINE)
    title = match.group(1).strip() if match else "Návod"

    missing = [src for src in re.findall(r'<img[^>]* src="([^"]+)"', body)
               if "://" not in src and not os.path.isfile(os.path.join(source_dir, html.unescape(src)))]
    remote = [src for src in re.findall(r'<img[^>]* src="([^"]+)"', body) if "://" in src]
    return PAGE.format(title=html.escape(title), style=STYLE, body=body), missing, remote, unknown_tags(body)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: render_guide.py SOURCE.md OUTPUT.html\n")
        return 2
    source, output = argv[1], argv[2]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    page, missing, remote, unknown = render(text, os.path.dirname(os.path.abspath(source)))
    if missing or remote or unknown:
        for tag in unknown:
            sys.stderr.write(f"{source}: <{tag}> is no HTML tag; write &lt; and &gt; for angle brackets\n")
        for src in missing:
            sys.stderr.write(f"{source}: picture not found: {src}\n")
        for src in remote:
            sys.stderr.write(f"{source}: picture from the network, not allowed: {src}\n")
        return 1
    tmp = output + ".tmp"
    with open(tmp, "w", encoding="utf-8", newline="\n") as f:
        f.write(page)
    os.replace(tmp, output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
