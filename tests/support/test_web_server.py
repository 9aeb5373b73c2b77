"""A small web server on the loopback address for the tests of the import from web
addresses: it prints its port, then serves until its standard input closes or it is killed.

Pages: /pie.html (a recipe page), /redirect/N (N redirects, then the pie), /gzip.html (the
pie, gzip-encoded), /cookie (sets a cookie and sends on to /needs-cookie, which shows the
pie only with it), /agent.html (the pie only for a browser's user agent), /missing (404),
/slow (answers after three seconds), /huge (two megabytes), /plain.html (no recipe),
/pancakes.png (a picture)."""
import gzip
import struct
import zlib
import http.server
import sys
import threading
import time

PIE = b"""<!DOCTYPE html><html><head><title>Pie</title>
<script type="application/ld+json">
{"@context": "https://schema.org", "@type": "Recipe", "name": "Shoofly Pie",
 "recipeCategory": "Desserts", "recipeYield": "8 servings",
 "recipeIngredient": ["1 cup molasses", "1 1/2 cups flour"],
 "recipeInstructions": [{"@type": "HowToStep", "text": "Mix."},
                        {"@type": "HowToStep", "text": "Bake at 350&deg;F."}]}
</script></head><body><h1>Shoofly Pie</h1></body></html>"""
def png(width, height):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    rows = b"".join(b"\x00" + b"\xcc\x88\x44" * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


PICTURE = png(4, 3)
PLAIN = b"<!DOCTYPE html><html><head><title>News</title></head><body><p>Hello</p></body></html>"


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *arguments):
        pass

    def send(self, status, body, headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        path = self.path.split("?", 1)[0]
        html = ("Content-Type", "text/html; charset=utf-8")
        if path == "/pie.html":
            self.send(200, PIE, [html])
        elif path.startswith("/redirect/"):
            left = int(path.rsplit("/", 1)[1])
            target = "/pie.html" if left == 0 else "/redirect/%d" % (left - 1)
            self.send(302, b"", [("Location", target)])
        elif path == "/gzip.html":
            self.send(200, gzip.compress(PIE), [html, ("Content-Encoding", "gzip")])
        elif path == "/cookie":
            self.send(302, b"", [("Set-Cookie", "visitor=1; Path=/"),
                                 ("Location", "/needs-cookie")])
        elif path == "/needs-cookie":
            if "visitor=1" in (self.headers.get("Cookie") or ""):
                self.send(200, PIE, [html])
            else:
                self.send(403, b"no cookie", [html])
        elif path == "/agent.html":
            if "Mozilla" in (self.headers.get("User-Agent") or ""):
                self.send(200, PIE, [html])
            else:
                self.send(403, b"robots go away", [html])
        elif path == "/slow":
            time.sleep(3)
            self.send(200, PIE, [html])
        elif path == "/huge":
            self.send(200, b"<html>" + b"x" * (2 * 1024 * 1024) + b"</html>", [html])
        elif path == "/pancakes.png":
            self.send(200, PICTURE, [("Content-Type", "image/png")])
        elif path == "/plain.html":
            self.send(200, PLAIN, [html])
        else:
            self.send(404, b"not found", [html])


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
threading.Thread(target=server.serve_forever, daemon=True).start()
print(server.server_address[1], flush=True)
sys.stdin.read()
server.shutdown()
