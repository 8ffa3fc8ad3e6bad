#!/usr/bin/env python3
"""A small HTTP server on the loopback address that answers stream requests badly on purpose, for the
stream tests. Prints its port on its first line, serves at most --max-requests connections and ends
after --max-seconds whatever happens. The request's path chooses the answer:

  /mp3             the --file, plainly (HTTP/1.0 200, audio/mpeg), then closes
  /icy             "ICY 200 OK"; the --file looped, with a metadata block every 8192 bytes whose title
                   changes ("Title 1", "Title 2", ...) when the request asks for metadata
  /headers         header lines without end
  /metaint0        icy-metaint: 0 before the --file
  /metaint-huge    an icy-metaint far beyond 32 bits before the --file
  /meta255         metadata blocks of length byte 255 filled with binary junk, between the --file's bytes
  /junk            binary junk as audio/mpeg
  /aac /html /hls  an AAC stream, an HTML page, an HLS list, each with its content type
  /stall/N         N bytes of the --file, then nothing while the connection stays open
  /close/N         N bytes of the --file, then the connection closes
  /redirect/N/REST N redirects (absolute and relative Locations in turn) ending at /REST
  /pls/REST /m3u/REST  a PLS or M3U playlist naming /REST on this server
  /moved/URL       a redirect to URL (another server, another scheme)

With --tls CERT.pem (certificate and key) every connection is TLS.
"""
import argparse
import random
import socket
import ssl
import sys
import threading
import time

HOLD_SECONDS = 60          # longest a stalled or endless answer is kept up
ENDLESS_BYTES = 64 << 20   # most bytes an endless answer sends
METAINT = 8192


class Answer:
    def __init__(self, connection, port, audio, deadline):
        self.connection, self.port, self.audio = connection, port, audio
        self.deadline = min(deadline, time.monotonic() + HOLD_SECONDS)
        self.sent = 0

    def send(self, data):
        """False once the client has gone, the byte bound is reached or time is up."""
        if self.sent > ENDLESS_BYTES or time.monotonic() > self.deadline:
            return False
        try:
            self.connection.sendall(data)
        except OSError:
            return False
        self.sent += len(data)
        return True

    def head(self, content_type, extra="", status="HTTP/1.0 200 OK"):
        return self.send(("%s\r\nContent-Type: %s\r\n%s\r\n" % (status, content_type, extra)).encode())

    def looped_audio(self):
        while True:
            for at in range(0, len(self.audio), 4096):
                yield self.audio[at:at + 4096]

    def audio_with_metadata(self, block_maker, loops):
        """The file `loops` times, with block_maker(n) after every METAINT audio bytes."""
        data, blocks = self.audio * loops, 0
        for at in range(0, len(data), METAINT):
            blocks += 1
            chunk = data[at:at + METAINT]
            if not self.send(chunk + (block_maker(blocks) if len(chunk) == METAINT else b"")):
                return


def title_block(n):
    text = ("StreamTitle='Title %d';" % n).encode()
    text += b"\0" * (-len(text) % 16)
    return bytes([len(text) // 16]) + text


def answer(a, path, wants_metadata, rng):
    parts = path.strip("/").split("/")
    mode, rest = parts[0], "/".join(parts[1:])
    base = "http://127.0.0.1:%d/" % a.port
    if mode == "mp3":
        a.head("audio/mpeg", "Content-Length: %d\r\n" % len(a.audio)) and a.send(a.audio)
    elif mode == "icy":
        if wants_metadata:
            a.head("audio/mpeg", "icy-name:Hostile ICY\r\nicy-br:128\r\nicy-metaint:%d\r\n" % METAINT, "ICY 200 OK")
            a.audio_with_metadata(title_block, 4)
        else:
            a.head("audio/mpeg", "icy-name:Hostile ICY\r\n", "ICY 200 OK") and a.send(a.audio * 4)
    elif mode == "headers":
        if a.send(b"HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n"):
            n = 0
            while a.send(b"X-Filler-%d: %s\r\n" % (n, b"z" * 200)):
                n += 1
    elif mode == "metaint0":
        a.head("audio/mpeg", "icy-metaint:0\r\n") and a.send(a.audio)
    elif mode == "metaint-huge":
        a.head("audio/mpeg", "icy-metaint:99999999999999999999\r\n") and a.send(a.audio)
    elif mode == "meta255":
        if a.head("audio/mpeg", "icy-metaint:%d\r\n" % METAINT):
            a.audio_with_metadata(lambda n: b"\xff" + rng.randbytes(255 * 16), 2)
    elif mode in ("junk", "aac"):
        if a.head("audio/mpeg" if mode == "junk" else "audio/aac"):
            while a.sent < (4 << 20) and a.send(rng.randbytes(16384)):
                pass
    elif mode == "html":
        a.head("text/html; charset=utf-8") and a.send(b"<!DOCTYPE html><html><body><h1>Radio</h1>" + b"<p>x</p>" * 500 + b"</body></html>")
    elif mode == "hls":
        a.head("application/vnd.apple.mpegurl") and a.send(b"#EXTM3U\n#EXT-X-TARGETDURATION:10\n" + b"".join(
            b"#EXTINF:10,\nsegment%d.ts\n" % i for i in range(20)))
    elif mode in ("stall", "close"):
        count = int(parts[1]) if len(parts) > 1 and parts[1].isdigit() else 10000
        if a.head("audio/mpeg") and a.send(a.audio[:count]) and mode == "stall":
            while time.monotonic() < a.deadline:  # keep the connection open, send nothing
                time.sleep(0.2)
    elif mode == "redirect" and len(parts) > 2 and parts[1].isdigit():
        hops = int(parts[1])
        target = ("redirect/%d/%s" % (hops - 1, "/".join(parts[2:]))) if hops > 1 else "/".join(parts[2:])
        location = (base if hops % 2 else "/") + target
        a.send(("HTTP/1.1 302 Found\r\nLocation: %s\r\nContent-Length: 0\r\n\r\n" % location).encode())
    elif mode == "moved":
        a.send(("HTTP/1.0 302 Found\r\nLocation: %s\r\n\r\n" % rest).encode())
    elif mode == "pls":
        a.head("audio/x-scpls") and a.send(("[playlist]\nNumberOfEntries=1\nFile1=%s%s\nTitle1=Hostile\nLength1=-1\nVersion=2\n" % (base, rest)).encode())
    elif mode == "m3u":
        a.head("audio/x-mpegurl") and a.send(("#EXTM3U\n#EXTINF:-1,Hostile\n%s%s\n" % (base, rest)).encode())
    else:
        a.send(b"HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\n\r\nno such mode\n")


def serve_one(connection, port, audio, deadline, seed, tls):
    if tls:
        try:  # a client that refuses the certificate ends the handshake
            connection.settimeout(10)
            connection = tls.wrap_socket(connection, server_side=True)
        except OSError:
            connection.close()
            return
    with connection:
        connection.settimeout(10)
        request = b""
        try:
            while b"\r\n\r\n" not in request and len(request) < 16384:
                data = connection.recv(4096)
                if not data:
                    return
                request += data
        except OSError:
            return
        lines = request.split(b"\r\n")
        words = lines[0].decode("latin-1").split()
        if len(words) < 2:
            return
        wants_metadata = any(line.lower().replace(b" ", b"") == b"icy-metadata:1" for line in lines[1:])
        answer(Answer(connection, port, audio, deadline), words[1], wants_metadata, random.Random(seed))
        try:
            connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--file", required=True, help="MP3 file the audio answers carry")
    parser.add_argument("--max-requests", type=int, default=100)
    parser.add_argument("--max-seconds", type=float, default=300)
    parser.add_argument("--tls", help="PEM file with the certificate and key to serve TLS with")
    args = parser.parse_args()
    with open(args.file, "rb") as f:
        audio = f.read()
    deadline = time.monotonic() + args.max_seconds
    tls = None
    if args.tls:
        tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        tls.load_cert_chain(args.tls)
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    listener.settimeout(0.5)
    port = listener.getsockname()[1]
    print(port, flush=True)
    served = 0
    while served < args.max_requests and time.monotonic() < deadline:
        try:
            connection, _ = listener.accept()
        except socket.timeout:
            continue
        served += 1
        threading.Thread(target=serve_one, args=(connection, port, audio, deadline, served, tls), daemon=True).start()
    listener.close()
    while threading.active_count() > 1 and time.monotonic() < deadline:
        time.sleep(0.2)
    print("hostile_server: served %d requests" % served, file=sys.stderr)


if __name__ == "__main__":
    main()
