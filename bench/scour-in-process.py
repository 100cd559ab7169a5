#!/usr/bin/python3
"""Runs scour, with its default options, over every file of a folder inside one Python
process (so that no interpreter start is counted) and writes the results to another.

    scour-in-process.py SOURCES OUT

The last line is one JSON object: files, failed, input and output bytes, seconds.
"""
import json
import os
import sys
import time

from scour import scour

sources, out = sys.argv[1], sys.argv[2]
os.makedirs(out, exist_ok=True)
names = sorted(n for n in os.listdir(sources) if os.path.isfile(os.path.join(sources, n)))
options = scour.sanitizeOptions()
failed = input_bytes = output_bytes = 0
began = time.monotonic()
for name in names:
    with open(os.path.join(sources, name), "rb") as f:
        data = f.read()
    input_bytes += len(data)
    try:
        result = scour.scourString(data.decode("utf-8"), options).encode("utf-8")
    except Exception:  # scour gives up on some files; they count as not rewritten
        failed += 1
        continue
    output_bytes += len(result)
    with open(os.path.join(out, name), "wb") as f:
        f.write(result)
seconds = time.monotonic() - began
print(json.dumps({"files": len(names), "failed": failed, "inputBytes": input_bytes,
                  "outputBytes": output_bytes, "seconds": seconds}))
