"""Serves docs/*.md as HTML: /docs/ is the user guide, /docs/NAME and /docs/NAME/ the page
docs/NAME.md, / leads to /docs/. Heading anchors follow the headings' text ("Cubes checkbox"
gives #cubes-checkbox), as the help links expect."""
import html
import re
import http.server
import pathlib
import sys

import markdown

DOCS = pathlib.Path(__file__).resolve().parent.parent.parent / "docs"
STYLE = "body{font-family:sans-serif;max-width:50em;margin:2em auto;line-height:1.5}" \
        "code,pre{background:#f4f4f4}table{border-collapse:collapse}td,th{border:1px solid #ccc;padding:2px 6px}"


def page(name):
    source = DOCS / (name + ".md")
    if not name.replace("-", "").isalnum() or not source.is_file():
        return None
    body = markdown.markdown(source.read_text(encoding="utf-8"), extensions=["toc", "tables", "fenced_code"])
    # Links between pages name the Markdown files; the server serves them without the suffix.
    body = re.sub(r'href="([a-z0-9-]+)\.md(#[a-z0-9-]*)?"', r'href="/docs/\1/\2"', body)
    return f"<!doctype html><meta charset=utf-8><title>{html.escape(name)}</title><style>{STYLE}</style>{body}"


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        path = self.path.split("?")[0].split("#")[0]
        if path in ("/", "/docs"):
            self.send_response(302)
            self.send_header("Location", "/docs/")
            self.end_headers()
            return
        name = path[len("/docs/"):].strip("/") if path.startswith("/docs/") else None
        text = page(name or "user-guide") if name is not None else None
        if text is None:
            self.send_error(404)
            return
        data = text.encode("utf-8")
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)


if __name__ == "__main__":
    port = int(sys.argv[1]) if len(sys.argv) > 1 else 8765
    print(f"Serving the user guide at http://localhost:{port}/docs/ (Ctrl-C stops)")
    http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler).serve_forever()
