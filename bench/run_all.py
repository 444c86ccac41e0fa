"""Runs every Python benchmark script in this directory (figures, not pass/fail)."""
import pathlib
import subprocess
import sys

here = pathlib.Path(__file__).parent
for script in sorted(here.glob("*_suite.py")):
    print(f"== {script.name}", flush=True)
    subprocess.run([sys.executable, str(script)], check=False)
