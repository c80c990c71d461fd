"""Start-up writes the compatibility assistant's record for the executable: HKCU
...\\Compatibility Assistant\\Persisted, value named by Notify.exe's full path, dword 1.
Wine's Explorer reports 6.1.x, which passes the version test."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

PERSISTED = r"Software\Microsoft\Windows NT\CurrentVersion\AppCompatFlags\Compatibility Assistant\Persisted"


def windows_path(path):
    """Wine shows the Unix root as drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def reg_escape(text):
    """user.reg writes a backslash in key and value names as two."""
    return text.replace("\\", "\\\\")


def persisted_values(user_reg):
    """The lines of the Persisted key's section in user.reg."""
    header = "[" + reg_escape(PERSISTED) + "]"
    lines, inside = [], False
    with open(user_reg, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("["):
                inside = line.split("]")[0] + "]" == header
                continue
            if inside and line.startswith('"'):
                lines.append(line)
    return lines


def main():
    exe_source = os.environ.get("NOTIFY_EXE", "")
    prefix = os.environ.get("WINEPREFIX", "")
    if not (exe_source and os.path.exists(exe_source) and prefix):
        print("NOTIFY_EXE and WINEPREFIX must be set (run under tools/winenv.sh)")
        return 1
    root = tempfile.mkdtemp(prefix="notify-compat-")
    try:
        folder = os.path.join(root, "Host App")
        os.makedirs(folder)
        exe = os.path.join(folder, "Notify.exe")
        shutil.copy2(exe_source, exe)
        # No catalogue: Notify writes the record, finds nothing to show and ends.
        subprocess.run(["wine", exe], cwd=folder, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60, check=False)
        # The test environment keeps a persistent wineserver, so "wineserver -w" would
        # never return; the server writes user.reg on its own within about 30 s of a change.
        user_reg = os.path.join(prefix, "user.reg")
        expected = '"' + reg_escape(windows_path(exe)) + '"=dword:00000001'
        deadline = time.monotonic() + 90
        values = []
        while time.monotonic() < deadline:
            values = persisted_values(user_reg)
            if expected in values:
                print("found:", expected)
                return 0
            time.sleep(1)
        print("expected line:", expected)
        print("Persisted section holds:", values)
        return 1
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
