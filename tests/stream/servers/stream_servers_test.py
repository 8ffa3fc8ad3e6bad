#!/usr/bin/env python3
"""zavdec on streams from outside: a few seconds of an Icecast mount are the source file's decoding,
found by alignment inside ffmpeg's decoding of the looped file, and saved they are its bytes, a file per
title; the hostile server's bad answers end within a bound, without a crash, with the exit code and
message that fit, and a file it serves is saved whole.

  stream_servers_test.py --zavdec PATH --work DIR [--runner WINE_RUNNER]

With --runner, zavdec is a Windows program run through the runner (its output paths become Z:...) in a
Wine prefix of the test's own, whose trusted roots gain a test authority: the mount plays over TLS too
(directly and through a redirect from http://), and a certificate for another host is refused. Natively
an https:// address ends at once."""
import argparse
import array
import concurrent.futures
import contextlib
import os
import re
import resource
import shutil
import subprocess
import sys
import threading
import time
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import icecast_session  # noqa: E402  (the certificates the sessions serve)
SECONDS = 6
RUN_LIMIT = 150           # seconds any one zavdec run may take, reconnect attempts included
MAX_RSS_MB = 128          # a run that grows beyond this does not bound what it keeps
WARM_UP = 0.5             # seconds of output skipped: joining mid-stream, the first frames lack their past
JOIN_AFTER = 6            # seconds the mount plays before zavdec joins: past the file's start, mid-frame
failures = []
printing = threading.Lock()


def check(ok, what):
    with printing:
        print(("ok    " if ok else "FAIL  ") + what, flush=True)
        if not ok:
            failures.append(what)
    return ok


def run(command, **kwargs):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, **kwargs)


def make_source(work):
    """An 8 s lame file without a header frame (so every frame is audio, looped as sent), and ffmpeg's
    decoding of three copies of its bytes: the loop as the mount sends it."""
    wav, mp3, loop = (os.path.join(work, n) for n in ("source.wav", "source.mp3", "loop3.mp3"))
    run(["sox", "-n", "-r", "44100", "-c", "2", wav, "synth", "8", "pinknoise", "sine", "200-4000", "vol", "0.4"])
    run(["lame", "--quiet", "-t", "-b", "128", wav, mp3])
    with open(mp3, "rb") as f, open(loop, "wb") as out:
        out.write(f.read() * 3)
    pcm = subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-i", loop, "-f", "s16le", "-ac", "2", "-"],
                         check=True, stdout=subprocess.PIPE).stdout
    return mp3, array.array("h", pcm), os.path.getsize(mp3)


def read_wav(path):
    try:
        with wave.open(path, "rb") as w:
            return w.getframerate(), w.getnchannels(), array.array("h", w.readframes(w.getnframes()))
    except (OSError, wave.Error, EOFError):
        return 0, 0, array.array("h")


def alignment_rms(ours, reference, channels=2, rate=44100):
    """Where `ours` (after its warm-up) sits inside `reference`, and the RMS of the difference there in
    LSB; (None, None) when a 32-frame probe matches nowhere within 4 LSB."""
    start = int(WARM_UP * rate) * channels
    probe = ours[start:start + 64]
    length = len(ours) - start
    if len(probe) < 64 or length > len(reference):
        return None, None
    best = (None, None)
    first = probe[0]
    for at in range(0, len(reference) - length + 1, channels):
        if abs(reference[at] - first) <= 4 and all(abs(reference[at + i] - probe[i]) <= 4 for i in range(64)):
            total = sum((a - b) ** 2 for a, b in zip(ours[start:], reference[at:at + length]))
            rms = (total / length) ** 0.5
            if best[1] is None or rms < best[1]:
                best = (at - start, rms)
    return best


class Zavdec:
    def __init__(self, path, runner, work):
        self.path, self.runner, self.work = path, runner, work

    def native(self, path):
        return ("Z:" + path) if self.runner else path

    def decode(self, url, name, seconds=SECONDS, extra=(), save_to=None, save_only=False):
        """(exit code or None when it overran, seconds taken, max RSS in MB, stderr, the WAV's samples).
        With `save_to` the stream is saved in that (new, empty) folder too; with `save_only` only saved."""
        out = os.path.join(self.work, name + ".wav")
        if os.path.exists(out):
            os.remove(out)
        if save_to:
            shutil.rmtree(save_to, ignore_errors=True)
            os.makedirs(save_to)
            extra = (*extra, "--save-to", self.native(save_to)) + (("--save-only",) if save_only else ())
        command = ([self.runner] if self.runner else []) + [
            self.path, "--seconds", str(seconds), *extra, url] + ([] if save_only else [self.native(out)])
        began = time.monotonic()
        err_path = os.path.join(self.work, name + ".err")
        with open(err_path, "wb") as err:
            child = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=err)
            code, rss = None, 0
            while time.monotonic() - began < RUN_LIMIT:
                pid, status, usage = os.wait4(child.pid, os.WNOHANG)
                if pid:
                    code, rss = os.waitstatus_to_exitcode(status), usage.ru_maxrss // 1024
                    child.returncode = code
                    break
                time.sleep(0.1)
            if code is None:
                child.kill()
                child.wait()
        with open(err_path, "rb") as f:
            text = f.read().decode("utf-8", "replace")
        return code, time.monotonic() - began, rss, text, read_wav(out)

    def expect_audio(self, url, name, reference, limit=SECONDS, tail=None):
        """`limit` seconds of audio; the whole of it (or its last `tail` seconds) found in `reference`."""
        code, took, rss, err, (rate, channels, pcm) = self.decode(url, name, limit)
        seconds = len(pcm) / 2 / 44100
        check(code == 0 and rate == 44100 and channels == 2 and limit - 0.5 <= seconds <= limit + 0.5,
              "%s: exit %s after %.1f s, %.2f s of audio (%s)" % (name, code, took, seconds,
                                                                  " / ".join(err.strip().splitlines())[-300:]))
        offset, rms = alignment_rms(pcm[-int(tail * 44100) * 2:] if tail else pcm, reference)
        check(rms is not None and rms <= 1.0, "%s: found at sample %s of the looped file's decoding, %s LSB RMS" % (
            name, offset, "%.3f" % rms if rms is not None else "-"))


def icecast_part(zavdec, work, source, reference, hostile, tls):
    session = [sys.executable, os.path.join(HERE, "icecast_session.py")]
    folder = os.path.join(work, "icecast")
    started = subprocess.run(session + ["start", folder, "--source", source, "--watch-pid", str(os.getpid())] +
                             (["--tls-cert", tls["local"]] if tls else []),
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if not check(started.returncode == 0, "Icecast session: %s" % started.stderr.strip()):
        return
    try:
        time.sleep(JOIN_AFTER)
        ports = started.stdout.split()
        url = "http://127.0.0.1:%s/stream" % ports[0]
        zavdec.expect_audio(url, "icecast", reference)
        if tls:  # the same mount over TLS, and through a redirect from http:// to it
            secure = "https://127.0.0.1:%s/stream" % ports[1]
            zavdec.expect_audio(secure, "icecast-https", reference)
            zavdec.expect_audio(hostile + "moved/" + secure, "icecast-https-redirected", reference)
        play_and_save(zavdec, session, folder, url, source)
        # The server stopped and started again on the same port once zavdec has written its first
        # seconds: it reconnects, and the music goes on from the new source to the end of the limit.
        worker = threading.Thread(target=zavdec.expect_audio, args=(url, "icecast-restart", reference, 14, 3))
        worker.start()
        written = lambda: any(".zavdec-" in n and os.path.getsize(os.path.join(zavdec.work, n)) >= 1 << 18
                              for n in os.listdir(zavdec.work) if n.startswith("icecast-restart"))
        deadline = time.monotonic() + 60
        while worker.is_alive() and not written() and time.monotonic() < deadline:
            time.sleep(0.1)
        restarted = subprocess.run(session + ["restart", folder, "--down", "1"], stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True)
        check(restarted.returncode == 0 and worker.is_alive(), "the mount played again %s s after the restart began %s" % (
            restarted.stdout.strip(), restarted.stderr.strip()))
        worker.join()
    finally:
        subprocess.run(session + ["stop", folder])


def play_and_save(zavdec, session, folder, url, source):
    """Play And Save while two titles are set through the admin interface: a file for the station, then
    one per title, named safely; together they are the source's bytes as sent, in sequence."""
    saved = os.path.join(zavdec.work, "saved-icecast")
    # zavdec takes its first seconds from the server's burst: 14 s of audio last about 11.
    setters = [threading.Timer(3.5 * (i + 1), subprocess.run, (session + ["title", folder, title],))
               for i, title in enumerate(["One", "../Two: a*b"])]
    for setter in setters:
        setter.start()
    code, took, _, err, (_, _, pcm) = zavdec.decode(url, "icecast-saved", 14, save_to=saved)
    for setter in setters:
        setter.join()
    names = sorted(os.listdir(saved), key=lambda n: os.path.getmtime(os.path.join(saved, n)))
    expected = ["zav test radio.mp3", "zav test radio - One.mp3", "zav test radio - .._Two_ a_b.mp3"]
    check(code == 0 and names == expected and len(pcm) >= 13 * 44100 * 2,
          "icecast-saved: exit %s after %.1f s, saved %s (%s)" % (code, took, names, err.strip()[-300:]))
    pieces = [open(os.path.join(saved, n), "rb").read() for n in names if n in expected]
    whole = b"".join(pieces)
    looped = open(source, "rb").read() * (len(whole) // 100000 + 3)
    at = looped.find(whole[:4096])
    check(len(pieces) == 3 and min(map(len, pieces)) > 16000 and at >= 0 and looped[at:at + len(whole)] == whole,
          "icecast-saved: %s bytes in pieces of %s, found in the looped source at %s" % (
              len(whole), [len(p) for p in pieces], at))


# How zavdec ends on each answer of the hostile server: "audio" plays the file (found by alignment),
# a content type is named in its message with a nonzero exit, "fail" exits nonzero, "any" only ends in time.
HOSTILE = [("mp3", "audio"), ("icy", "audio"), ("redirect/5/icy", "audio"), ("pls/icy", "audio"),
           ("m3u/mp3", "audio"), ("redirect/6/mp3", "fail"), ("headers", "fail"), ("aac", "audio/aac"),
           ("html", "text/html"), ("hls", "application/vnd.apple.mpegurl"), ("metaint0", "any"),
           ("metaint-huge", "any"), ("meta255", "any"), ("junk", "any"), ("stall/20000", "any"), ("close/10001", "any")]
QUICK = 15  # seconds within which an answer refused by name ends, Wine's start included


@contextlib.contextmanager
def hostile_server(source, tls_cert=None):
    """The hostile server's address ("http://127.0.0.1:PORT/", or https:// serving `tls_cert`)."""
    server = subprocess.Popen([sys.executable, os.path.join(HERE, "hostile_server.py"), "--file", source,
                               "--max-requests", "400", "--max-seconds", str(RUN_LIMIT * 4)] +
                              (["--tls", tls_cert] if tls_cert else []), stdout=subprocess.PIPE, text=True)
    try:
        yield "%s://127.0.0.1:%s/" % ("https" if tls_cert else "http", server.stdout.readline().strip())
    finally:
        server.kill()
        server.wait()


def hostile_part(zavdec, work, source, reference, jobs, base, other_host):
    # Save Only of a file served whole: its bytes under its own name, and nothing decoded.
    saved = os.path.join(work, "saved-file")
    code, took, _, err, _ = zavdec.decode(base + "mp3", "saved-file", save_to=saved, save_only=True)
    same = os.listdir(saved) == ["mp3.mp3"] and open(os.path.join(saved, "mp3.mp3"), "rb").read() == open(source, "rb").read()
    check(code == 0 and same and not os.path.exists(os.path.join(work, "saved-file.wav")),
          "saved-file: exit %s after %.1f s, %s the served file (%s)" % (code, took, "is" if same else "is not",
                                                                       err.strip()[-300:]))
    entries = list(HOSTILE)
    if other_host:
        entries.append((other_host + "mp3", "The certificate of 127.0.0.1 is not trusted: it was issued for another host."))
    else:
        entries.append(("https://127.0.0.1:1/mp3", "HTTPS streams need the Windows build"))

    def one(entry):
        path, expected = entry
        url = path if "://" in path else base + path
        name = "hostile-" + re.sub(r"[^A-Za-z0-9.]+", "-", path)
        if expected == "audio":
            zavdec.expect_audio(url, name, reference)
            return
        # A stall or a close goes through the whole reconnect schedule: a tenth of it here.
        extra = ("--reconnect-scale", "10") if path.startswith(("stall", "close")) else ()
        code, took, rss, err, _ = zavdec.decode(url, name, extra=extra)
        ok = code is not None and code >= 0 and "Sanitizer" not in err and "runtime error" not in err \
            and rss <= MAX_RSS_MB
        if expected != "any":
            ok = ok and code != 0 and (expected == "fail" or (expected in err and took <= QUICK))
        check(ok, "%s: exit %s after %.1f s, %d MB, expected %s (%s)" % (name, code, took, rss, expected,
                                                                      " / ".join(err.strip().splitlines())[-300:]))

    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        list(pool.map(one, entries))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--zavdec", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--runner")
    parser.add_argument("--jobs", type=int, default=8)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
    source, reference, _ = make_source(args.work)
    zavdec = Zavdec(os.path.abspath(args.zavdec), args.runner, os.path.abspath(args.work))
    tls = {}
    if args.runner:
        os.environ["ZAV_WINE_DIR"] = os.path.join(os.path.abspath(args.work), "wine")
        tls = icecast_session.make_certificates(os.path.join(os.path.abspath(args.work), "tls"))
        run([args.runner, "reg", "import", "Z:" + tls["trust"]])
    with hostile_server(source) as base, \
            (hostile_server(source, tls["other"]) if tls else contextlib.nullcontext()) as other_host:
        icecast_part(zavdec, args.work, source, reference, base, tls)
        hostile_part(zavdec, args.work, source, reference, args.jobs, base, other_host)
    print("%d failed" % len(failures) if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
