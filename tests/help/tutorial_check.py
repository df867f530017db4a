#!/usr/bin/python3
"""tutorial_check.py KAVREL TUTORIAL.md

Runs every example of the script tutorial the way its text says, on files
the tutorial's own kavrel-files block makes with ffmpeg and lame, and checks
what the text claims. Each example runs in a fresh copy of those files with
its own home (where the log goes) and data folder:

  kavrel-script   written to job.txt, run as `kavrel --script=job.txt`
  kavrel-shell    run by bash with `kavrel` on the PATH

Every kavrel run must end with status 0. An `<!-- expect ... -->` comment
after the block lists what must then hold, one claim a line:

  frames NAME N            `kavrel --info NAME` counts N frames
  seconds NAME S [TOL]     ffprobe measures S seconds (+-TOL, default 0.1)
  lufs NAME L TOL          ffmpeg's ebur128 filter measures L LUFS (+-TOL)
  tag NAME FRAME TEXT      mutagen reads TEXT (\\n: a line break) from FRAME
  missing NAME             no such file
  log TEXT                 a line of the log starts with TEXT

A script with no log claim must leave a log without error lines.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

try:
    from mutagen.id3 import ID3
except ImportError:
    print("python3-mutagen is not installed (scripts/setup installs it): skipped")
    sys.exit(77)

BLOCK = re.compile(r"^```(kavrel-files|kavrel-script|kavrel-shell)\n(.*?)^```\n(?:\s*<!-- expect\n(.*?)-->)?",
                   re.M | re.S)
NUMBER = re.compile(r"^(frames|seconds|lufs) (.+?) (-?[\d.]+)(?: ([\d.]+))?$")
TAG = re.compile(r"^tag (.+?\.mp3) ([A-Z0-9]{4}) (.*)$")
LOG_FRAME = ("", "Script name: ", "Execution started at ", "Execution finished at ")

failures = []


def run(args, cwd, env, **kw):
    return subprocess.run(args, cwd=cwd, env=env, capture_output=True, text=True, **kw)


def frames(kavrel, path, env):
    out = run([kavrel, "--info", path], os.path.dirname(path), env).stdout
    m = re.search(r"^Frames: (\d+)$", out, re.M)
    return int(m.group(1)) if m else None


def seconds(path):
    out = run(["ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", path], None, None)
    return float(out.stdout.strip() or "nan")


def lufs(path):
    err = run(["ffmpeg", "-nostats", "-i", path, "-af", "ebur128", "-f", "null", "-"], None, None).stderr
    found = re.findall(r"I:\s+(-?[\d.]+) LUFS", err)
    return float(found[-1]) if found else float("nan")


def tag_text(path, frame):
    texts = []
    for f in ID3(path).getall(frame):
        texts += [str(t) for t in f.text]
    return [t.replace("\r\n", "\n") for t in texts]


def check(name, claims, work, kavrel, env):
    log_path = os.path.join(env["HOME"], "kavrel.log")
    log = open(log_path, encoding="utf-8", errors="replace").read().replace("\r\n", "\n") \
        if os.path.exists(log_path) else ""
    lines = log.split("\n")
    wants_log = False
    for claim in claims:
        claim = claim.strip()
        if not claim:
            continue
        m = NUMBER.match(claim)
        t = TAG.match(claim)
        if m:
            kind, file, value, tol = m.group(1), os.path.join(work, m.group(2)), float(m.group(3)), m.group(4)
            if not os.path.exists(file):
                failures.append(f"{name}: {m.group(2)} was not written")
                continue
            if kind == "frames":
                got = frames(kavrel, file, env)
                ok = got == int(value)
            else:
                got = seconds(file) if kind == "seconds" else lufs(file)
                ok = abs(got - value) <= float(tol or 0.1)
            if not ok:
                failures.append(f"{name}: {kind} of {m.group(2)} is {got}, the tutorial says {value}")
        elif t:
            file = os.path.join(work, t.group(1))
            want = t.group(3).replace("\\n", "\n")
            got = tag_text(file, t.group(2)) if os.path.exists(file) else ["(no file)"]
            if want not in got:
                failures.append(f"{name}: {t.group(2)} of {t.group(1)} is {got}, the tutorial says {want!r}")
        elif claim.startswith("missing "):
            if os.path.exists(os.path.join(work, claim[8:])):
                failures.append(f"{name}: {claim[8:]} should not exist")
        elif claim.startswith("log "):
            wants_log = True
            if not any(line.startswith(claim[4:]) for line in lines):
                failures.append(f"{name}: the log has no line {claim[4:]!r}:\n{log}")
        else:
            failures.append(f"{name}: claim not understood: {claim}")
    if not wants_log and any(not line.startswith(LOG_FRAME) for line in lines if line):
        failures.append(f"{name}: the log reports errors:\n{log}")


def main():
    kavrel, tutorial = os.path.abspath(sys.argv[1]), sys.argv[2]
    missing = [tool for tool in ("lame", "ffmpeg", "ffprobe") if not shutil.which(tool)]
    if missing:
        print(f"{' '.join(missing)} not installed (scripts/setup installs them): skipped")
        return 77
    text = open(tutorial, encoding="utf-8").read()
    blocks = BLOCK.findall(text)
    if sum(kind != "kavrel-files" for kind, _, _ in blocks) < 10:
        print(f"FAIL: only {len(blocks)} examples found in {tutorial}")
        return 1
    top = tempfile.mkdtemp(prefix="kavrel-tutorial-")
    try:
        # `kavrel` on the PATH records every run that does not end with 0.
        bin_dir = os.path.join(top, "bin")
        os.makedirs(bin_dir)
        shim = os.path.join(bin_dir, "kavrel")
        with open(shim, "w") as f:
            f.write('#!/bin/sh\n"$KAVREL_REAL" "$@"; rc=$?\n'
                    '[ $rc -eq 0 ] || echo "status $rc: kavrel $*" >> "$KAVREL_FAILS"\nexit $rc\n')
        os.chmod(shim, 0o755)
        files = os.path.join(top, "files")
        os.makedirs(files)
        env = dict(os.environ, PATH=bin_dir + os.pathsep + os.environ.get("PATH", ""), KAVREL_REAL=kavrel)
        for number, (kind, body, claims) in enumerate(blocks, 1):
            name = f"example {number} ({kind})"
            if kind == "kavrel-files":
                r = run(["bash", "-e", "-c", body], files, env)
                if r.returncode != 0:
                    print(f"FAIL: {name} could not make the files:\n{r.stderr}")
                    return 1
                continue
            case = os.path.join(top, f"case{number}")
            shutil.copytree(files, case)
            home = os.path.join(top, f"home{number}")
            os.makedirs(home)
            case_env = dict(env, HOME=home, KAVREL_HOME=os.path.join(home, "data"),
                            KAVREL_FAILS=os.path.join(home, "fails"))
            if kind == "kavrel-script":
                with open(os.path.join(case, "job.txt"), "w", encoding="utf-8") as f:
                    f.write(body)
                r = run(["kavrel", "--script=job.txt"], case, case_env, timeout=300)
            else:
                r = run(["bash", "-c", body], case, case_env, timeout=300)
            fails = os.path.join(home, "fails")
            if r.returncode != 0 or os.path.exists(fails):
                detail = open(fails).read() if os.path.exists(fails) else ""
                failures.append(f"{name}: exit status {r.returncode}\n{detail}{r.stdout}{r.stderr}")
            check(name, (claims or "").split("\n"), case, kavrel, case_env)
            print(f"{name}: run")
    finally:
        shutil.rmtree(top, ignore_errors=True)
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
