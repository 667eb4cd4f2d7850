#!/usr/bin/python3
"""The guide's renderer: a good page comes out whole and self-contained; a
picture it cannot ship, or an angle-bracket text that would vanish as an
unknown tag, stops the build instead of reaching the operator."""
import os
import subprocess
import sys
import tempfile
import unittest

RENDERER = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(
    os.path.dirname(__file__), "..", "..", "docs", "render_guide.py")


def run(markdown, pictures=()):
    with tempfile.TemporaryDirectory() as folder:
        source = os.path.join(folder, "navod.md")
        with open(source, "w", encoding="utf-8") as f:
            f.write(markdown)
        for name in pictures:
            open(os.path.join(folder, name), "wb").close()
        output = os.path.join(folder, "navod.html")
        done = subprocess.run(["/usr/bin/python3", RENDERER, source, output], capture_output=True, text=True)
        page = open(output, encoding="utf-8").read() if os.path.exists(output) else None
        return done.returncode, done.stderr, page


class RenderGuide(unittest.TestCase):
    def test_page_is_utf8_with_its_style_and_contents_before_the_first_section(self):
        code, errors, page = run("# Tikomat – návod\n\nÚvod.\n\n## Připojení\n\n![Okno](okno.png)\n\n"
                                 "## Výsledky\n\n| a | b |\n|---|---|\n| 1 | 2 |\n", ["okno.png"])
        self.assertEqual(code, 0, errors)
        self.assertIn('<meta charset="utf-8">', page)
        self.assertIn("<title>Tikomat – návod</title>", page)
        self.assertIn("<style>", page)
        self.assertNotIn("<link", page)
        self.assertLess(page.index("Úvod."), page.index('class="toc"'))
        self.assertLess(page.index('class="toc"'), page.index('<h2 id="pripojeni"'))
        self.assertIn('<img alt="Okno" src="okno.png"', page)
        self.assertIn("<table>", page)

    def test_refuses_what_the_page_could_not_show(self):
        cases = [
            ("a picture not beside the text", "# T\n\n![x](chybi.png)\n", "picture not found: chybi.png"),
            ("a picture from the network", "# T\n\n![x](http://example.invalid/x.png)\n", "from the network"),
            ("angle brackets as text", "# T\n\nJméno „<neznámý>“.\n", "<neznámý> is no HTML tag"),
        ]
        for name, markdown, message in cases:
            with self.subTest(name):
                code, errors, page = run(markdown)
                self.assertEqual(code, 1)
                self.assertIn(message, errors)
                self.assertIsNone(page, "nothing half-made is left")


if __name__ == "__main__":
    unittest.main()
