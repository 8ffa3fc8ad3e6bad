#!/usr/bin/env python3
"""An Icecast server on the loopback address for the stream tests, fed by ffmpeg as its source client.

  icecast_session.py start DIR --source FILE.mp3 [--mount /stream] [--name NAME] [--watch-pid PID]
                                [--max-seconds S] [--tls-cert PEM]   prints the port once the mount plays;
                                                  with --tls-cert (certificate and key), a TLS port too, on a
                                                  second line
  icecast_session.py title DIR TEXT                 sets the mount's title through the admin interface
  icecast_session.py restart DIR [--down SECONDS]   stops the server, waits, starts it on the same port;
                                                    prints the seconds until the mount played again
  icecast_session.py stop DIR                       stops everything the session started
  icecast_session.py certificates DIR               makes a test authority and certificates it issued in
                                                    DIR: local.pem (127.0.0.1, localhost), other.pem
                                                    (another host), and trust.reg, which adds the authority
                                                    to a Wine prefix's trusted roots (`wine reg import`)

DIR (inside the build tree) holds the configuration, the logs and session.json. A supervisor process
runs the server and the source, starts the source again whenever it ends (after a restart), and stops
everything when the watched process (by default the caller of `start`) is gone, after --max-seconds, or
on `stop`. A `start` first ends whatever a session left in DIR (its supervisor was killed)."""
import argparse
import base64
import ctypes
import hashlib
import http.client
import json
import os
import shutil
import signal
import socket
import ssl
import struct
import subprocess
import sys
import time
import urllib.parse

PASSWORD = "zavtest"
READY_SECONDS = 60  # server up and the mount playing, on a loaded machine
STOP_SECONDS = 10


def fail(message):
    sys.exit("icecast_session: " + message)


def state_path(folder):
    return os.path.join(folder, "session.json")


def read_state(folder):
    try:
        with open(state_path(folder)) as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


def write_state(folder, state):
    temp = state_path(folder) + ".tmp"
    with open(temp, "w") as f:
        json.dump(state, f)
    os.replace(temp, state_path(folder))


def cmdline(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return f.read().decode("utf-8", "replace").split("\0")[:-1]
    except OSError:
        return None


def alive(pid):
    line = cmdline(pid)
    if line is None:
        return False
    try:  # a zombie child counts as gone
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def end_process(pid, expected):
    """Ends `pid` when it still runs `expected` (its command line), so a reused number is left alone."""
    if pid and cmdline(pid) == expected:
        for sig, wait in ((signal.SIGTERM, STOP_SECONDS), (signal.SIGKILL, 5)):
            try:
                os.kill(pid, sig)
            except ProcessLookupError:
                return
            deadline = time.monotonic() + wait
            while time.monotonic() < deadline and alive(pid):
                time.sleep(0.05)
            if not alive(pid):
                return


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def http_get(port, path, timeout, auth=False, body_bytes=0):
    """(status, first body bytes) of a GET, or (None, error text)."""
    try:
        conn = http.client.HTTPConnection("127.0.0.1", port, timeout=timeout)
        headers = {}
        if auth:
            headers["Authorization"] = "Basic " + base64.b64encode(("admin:" + PASSWORD).encode()).decode()
        conn.request("GET", path, headers=headers)
        response = conn.getresponse()
        body = response.read(body_bytes) if body_bytes else b""
        conn.close()
        return response.status, body
    except (OSError, http.client.HTTPException) as error:
        return None, str(error)


def wait_until(test, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if test():
            return True
        time.sleep(0.2)
    return False


def mount_plays(state):
    status, body = http_get(state["port"], state["mount"], 5, body_bytes=1024)
    return status == 200 and len(body) == 1024


def write_config(folder, port, mount, tls_port=0, tls_cert=""):
    logs = os.path.join(folder, "log")
    os.makedirs(logs, exist_ok=True)
    owner = ""
    if os.geteuid() == 0:  # Icecast refuses to run as root: it drops to nobody once it has its socket
        shutil.chown(logs, "nobody", "nogroup")
        owner = "<changeowner><user>nobody</user><group>nogroup</group></changeowner>"
    tls_socket = tls_path = ""
    if tls_port:
        tls_socket = f"\n  <listen-socket><port>{tls_port}</port><bind-address>127.0.0.1</bind-address><ssl>1</ssl></listen-socket>"
        tls_path = f"<ssl-certificate>{tls_cert}</ssl-certificate>"
    config = f"""<icecast>
  <location>loopback</location><admin>tests@localhost</admin><hostname>127.0.0.1</hostname>
  <limits><clients>16</clients><sources>2</sources><queue-size>524288</queue-size>
    <client-timeout>30</client-timeout><header-timeout>15</header-timeout><source-timeout>10</source-timeout>
    <burst-on-connect>1</burst-on-connect><burst-size>65536</burst-size></limits>
  <authentication><source-password>{PASSWORD}</source-password><relay-password>{PASSWORD}</relay-password>
    <admin-user>admin</admin-user><admin-password>{PASSWORD}</admin-password></authentication>
  <listen-socket><port>{port}</port><bind-address>127.0.0.1</bind-address></listen-socket>{tls_socket}
  <mount type="normal"><mount-name>{mount}</mount-name><charset>UTF-8</charset></mount>
  <fileserve>1</fileserve>
  <paths><basedir>{folder}</basedir><logdir>{logs}</logdir>
    <webroot>/usr/share/icecast2/web</webroot><adminroot>/usr/share/icecast2/admin</adminroot>{tls_path}</paths>
  <logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog><loglevel>3</loglevel>
    <logsize>10000</logsize></logging>
  <security><chroot>0</chroot>{owner}</security>
</icecast>
"""
    path = os.path.join(folder, "icecast.xml")
    with open(path, "w") as f:
        f.write(config)
    os.chmod(path, 0o644)
    return path


def make_certificates(folder):
    """A test authority and two server certificates it issued (each PEM file with its key): one for the
    loopback address (the IP also as a DNS name, which every system's name check takes), one for another
    host; and trust.reg, which puts the authority into a Wine prefix's Root store in place of the one an
    earlier call made there: Wine's crypt32 reads it from these keys, per certificate its SHA-1 with a
    "Blob" of the serialized certificate (property 32, the DER bytes). The paths by name."""
    os.makedirs(folder, exist_ok=True)
    paths = {n: os.path.join(folder, n + ".pem") for n in ("ca", "local", "other")}
    paths["trust"] = os.path.join(folder, "trust.reg")
    for name, names in (("ca", ""), ("local", "DNS:localhost,DNS:127.0.0.1,IP:127.0.0.1"), ("other", "DNS:other.example")):
        issued = ["-CA", paths["ca"], "-CAkey", paths["ca"] + ".key", "-addext", "subjectAltName=" + names,
                  "-addext", "basicConstraints=CA:FALSE", "-addext", "extendedKeyUsage=serverAuth"] if names else []
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-keyout",
                        paths[name] + ".key", "-out", paths[name], "-subj", "/CN=" + (names[4:].split(",")[0] or
                        "zav test authority")] + issued, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if names:
            with open(paths[name] + ".key") as key, open(paths[name], "a") as pem:
                pem.write(key.read())
            os.chmod(paths[name], 0o644)  # Icecast reads it as nobody
    with open(paths["ca"]) as f:
        der = ssl.PEM_cert_to_DER_cert(f.read())
    key = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\"
    previous = os.path.join(folder, "trusted.sha1")
    lines = ["REGEDIT4", ""]
    if os.path.exists(previous):
        with open(previous) as f:
            lines += ["[-%s%s]" % (key, f.read().strip()), ""]
    thumbprint = hashlib.sha1(der).hexdigest().upper()
    blob = struct.pack("<III", 32, 1, len(der)) + der
    lines += ["[%s%s]" % (key, thumbprint), '"Blob"=hex:' + ",".join("%02x" % b for b in blob), ""]
    with open(paths["trust"], "w") as f:
        f.write("\n".join(lines))
    with open(previous, "w") as f:
        f.write(thumbprint)
    return paths


def die_with_parent():
    """Children get SIGTERM when the supervisor dies (Icecast loses this when it changes owner; the
    next `start` ends it then)."""
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def supervise(folder):
    state = read_state(folder)
    stopping = []
    restart_requested = []
    signal.signal(signal.SIGTERM, lambda *_: stopping.append(1))
    signal.signal(signal.SIGINT, lambda *_: stopping.append(1))
    signal.signal(signal.SIGHUP, lambda *_: stopping.append(1))
    signal.signal(signal.SIGUSR1, lambda *_: restart_requested.append(1))
    deadline = time.monotonic() + state["max_seconds"]
    state["supervisor"] = [os.getpid(), cmdline(os.getpid())]
    log = open(os.path.join(folder, "supervisor.log"), "a")
    children = {}  # name -> Popen

    def run(name, command):
        children[name] = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                          preexec_fn=die_with_parent)
        state[name] = [children[name].pid, command]
        write_state(folder, state)

    def end(name):
        child = children.pop(name, None)
        if child:
            end_process(child.pid, state[name][1])
            child.poll()

    def start_server():
        run("icecast", ["icecast2", "-c", state["config"]])
        if not wait_until(lambda: http_get(state["port"], "/", 2)[0] is not None or children["icecast"].poll() is not None, READY_SECONDS) \
                or children["icecast"].poll() is not None:
            state["phase"] = "failed: Icecast did not answer on port %d (see %s/log/error.log)" % (state["port"], folder)
            return False
        return True

    source_command = ["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-re", "-stream_loop", "-1",
                      "-i", state["source"], "-c", "copy", "-f", "mp3", "-id3v2_version", "0", "-write_xing", "0",
                      "-content_type", "audio/mpeg", "-ice_name", state["name"],
                      "icecast://source:%s@127.0.0.1:%d%s" % (PASSWORD, state["port"], state["mount"])]
    ok = start_server()
    if ok:
        run("ffmpeg", source_command)
        ok = wait_until(lambda: mount_plays(state), READY_SECONDS)
        state["phase"] = "ready" if ok else "failed: the source did not reach the mount (see %s)" % log.name
    write_state(folder, state)
    source_started = time.monotonic()
    while ok and not stopping and time.monotonic() < deadline and alive(state["watch_pid"]):
        if restart_requested:
            restart_requested.clear()
            end("ffmpeg")
            end("icecast")
            with open(os.path.join(folder, "restart-down")) as f:
                time.sleep(float(f.read()))
            if not start_server():
                break
            state["generation"] += 1
            write_state(folder, state)
        if children["icecast"].poll() is not None:
            state["phase"] = "failed: Icecast ended by itself (see %s/log/error.log)" % folder
            break
        # The source gives up when the server goes away; it feeds the server again once that is back.
        if ("ffmpeg" not in children or children["ffmpeg"].poll() is not None) and time.monotonic() - source_started > 0.5:
            run("ffmpeg", source_command)
            source_started = time.monotonic()
        time.sleep(0.1)
    end("ffmpeg")
    end("icecast")
    if state["phase"] == "ready":
        state["phase"] = "stopped"
    write_state(folder, state)


def end_session(folder):
    state = read_state(folder)
    if not state:
        return
    if state.get("supervisor"):
        end_process(state["supervisor"][0], state["supervisor"][1])
    for name in ("ffmpeg", "icecast"):  # left behind when the supervisor was killed
        if name in state:
            end_process(state[name][0], state[name][1])
    os.remove(state_path(folder))


def launch(folder, args):
    """Starts a supervisor on a free port and waits until it is ready or has failed."""
    port = free_port()
    tls_port = free_port() if args.tls_cert else 0
    state = {"port": port, "tls_port": tls_port, "mount": args.mount, "name": args.name,
             "source": os.path.abspath(args.source),
             "config": write_config(folder, port, args.mount, tls_port, os.path.abspath(args.tls_cert or "")),
             "max_seconds": args.max_seconds,
             "watch_pid": args.watch_pid or os.getppid(), "phase": "starting", "generation": 0}
    write_state(folder, state)
    command = [sys.executable, os.path.abspath(__file__), "supervise", folder]
    with open(os.path.join(folder, "supervisor.log"), "a") as log:
        supervisor = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                      start_new_session=True)
    began = time.monotonic()
    while time.monotonic() - began < READY_SECONDS * 2 + 5:
        state = read_state(folder) or state
        if state["phase"] != "starting":
            break
        if supervisor.poll() is not None:
            state["phase"] = "failed: the supervisor ended (see %s/supervisor.log)" % folder
            break
        time.sleep(0.1)
    return began, state, supervisor, command


def start(args):
    folder = os.path.abspath(args.dir)
    os.makedirs(folder, exist_ok=True)
    end_session(folder)
    if not os.path.isfile(args.source):
        fail("no source file " + args.source)
    for program in ("icecast2", "ffmpeg"):
        if not shutil.which(program):
            fail(program + " is not installed (scripts/setup.sh installs it)")
    for attempt in range(3):  # another program may take the free port before Icecast binds it
        began, state, supervisor, command = launch(folder, args)
        if state["phase"] == "ready":
            break
        end_process(supervisor.pid, command)  # it has given up: let it finish before the next try
        if not state["phase"].startswith("failed: Icecast did not answer"):
            break
    if state["phase"] != "ready":
        fail("session in %s did not start: %s" % (folder, state["phase"]))
    print(state["port"], flush=True)
    if state["tls_port"]:
        print(state["tls_port"], flush=True)
    print("icecast_session: mount %s played after %.1f s" % (args.mount, time.monotonic() - began), file=sys.stderr)


def running_state(folder):
    state = read_state(folder)
    if not state or state.get("phase") != "ready" or not state.get("supervisor") \
            or cmdline(state["supervisor"][0]) != state["supervisor"][1]:
        fail("no running session in " + folder)
    return state


def set_title(args):
    state = running_state(os.path.abspath(args.dir))
    query = urllib.parse.urlencode({"mount": state["mount"], "mode": "updinfo", "song": args.text, "charset": "UTF-8"})
    status, body = http_get(state["port"], "/admin/metadata?" + query, 10, auth=True, body_bytes=4096)
    if status != 200:
        fail("the admin interface refused the title: %s %s" % (status, body))


def restart(args):
    folder = os.path.abspath(args.dir)
    state = running_state(folder)
    with open(os.path.join(folder, "restart-down"), "w") as f:
        f.write(str(args.down))
    began = time.monotonic()
    os.kill(state["supervisor"][0], signal.SIGUSR1)
    if not wait_until(lambda: (read_state(folder) or {}).get("generation", 0) > state["generation"], READY_SECONDS + args.down):
        fail("the server did not come back: %s" % (read_state(folder) or {}).get("phase"))
    if not wait_until(lambda: mount_plays(state), READY_SECONDS):
        fail("the source did not reach the mount again after the restart")
    print("%.1f" % (time.monotonic() - began))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    p = commands.add_parser("start")
    p.add_argument("dir")
    p.add_argument("--source", required=True)
    p.add_argument("--mount", default="/stream")
    p.add_argument("--name", default="zav test radio")
    p.add_argument("--watch-pid", type=int, default=0)
    p.add_argument("--max-seconds", type=float, default=900)
    p.add_argument("--tls-cert")
    p = commands.add_parser("title")
    p.add_argument("dir")
    p.add_argument("text")
    p = commands.add_parser("restart")
    p.add_argument("dir")
    p.add_argument("--down", type=float, default=0)
    for name in ("stop", "supervise", "certificates"):
        commands.add_parser(name).add_argument("dir")
    args = parser.parse_args()
    if args.command == "start":
        start(args)
    elif args.command == "title":
        set_title(args)
    elif args.command == "restart":
        restart(args)
    elif args.command == "certificates":
        make_certificates(os.path.abspath(args.dir))
    elif args.command == "stop":
        end_session(os.path.abspath(args.dir))
    else:
        supervise(args.dir)


if __name__ == "__main__":
    main()
