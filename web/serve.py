#!/usr/bin/env python3
"""Serves the current folder as a static web host does, and sends a file's precompressed copy (.br or
.gz, which the build writes beside the text files) to a browser that accepts that encoding.
Usage: serve.py PORT"""
import email.utils
import http.server
import os
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      '.wasm': 'application/wasm', '.js': 'text/javascript', '.json': 'application/json'}

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path) and self.path.split('?')[0].endswith('/'):
            path = os.path.join(path, 'index.html')
        accepted = [part.split(';')[0].strip() for part in self.headers.get('Accept-Encoding', '').split(',')]
        for encoding, ending in (('br', '.br'), ('gzip', '.gz')):
            if encoding in accepted and os.path.isfile(path) and os.path.isfile(path + ending):
                copy = open(path + ending, 'rb')
                size = os.fstat(copy.fileno()).st_size
                self.send_response(200)
                self.send_header('Content-Type', self.guess_type(path))
                self.send_header('Content-Encoding', encoding)
                self.send_header('Content-Length', str(size))
                self.send_header('Vary', 'Accept-Encoding')
                self.send_header('Last-Modified', email.utils.formatdate(os.path.getmtime(path), usegmt=True))
                self.end_headers()
                return copy
        return super().send_head()


if __name__ == '__main__':
    http.server.ThreadingHTTPServer(('127.0.0.1', int(sys.argv[1])), Handler).serve_forever()
