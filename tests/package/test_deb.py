"""The Debian package: unpacked with dpkg-deb -x into a scratch folder, its
program runs the batch export of its own example from there.

Called as: python3 test_deb.py <path to the .deb>"""
import os
import shutil
import subprocess
import sys
import tempfile

deb = os.path.abspath(sys.argv[1])
scratch = tempfile.mkdtemp(prefix="vt_deb_")
try:
    subprocess.run(["dpkg-deb", "-x", deb, scratch], check=True)
    program = os.path.join(scratch, "usr", "bin", "veltrune")
    assert os.access(program, os.X_OK), "no program in the package"
    assert os.path.exists(os.path.join(scratch, "usr", "share", "doc", "veltrune", "README.md"))
    work = os.path.join(scratch, "work")
    shutil.copytree(os.path.join(scratch, "usr", "share", "veltrune", "example"), work)
    r = subprocess.run([program, "-b"], cwd=work, capture_output=True, timeout=120)
    assert r.returncode == 0, (r.returncode, r.stdout[-500:])
    for parts in [("Resource", "map_names.brf"), ("map_icons.txt",), ("parties.txt",), ("textures", "map_names.dds")]:
        assert os.path.getsize(os.path.join(work, "module", *parts)) > 0, parts
    log = open(os.path.join(work, "log.txt")).read()
    assert log.startswith("(4/4) Exported"), log
    print("PASS the packaged program exports its example")
finally:
    shutil.rmtree(scratch, ignore_errors=True)
