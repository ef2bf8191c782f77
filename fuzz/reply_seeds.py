#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_reply_decode: the disk replies fdhost receives when it plays
the shipped scenarios. Usage: fuzz/reply_seeds.py build/bin/fdhost scenarios fuzz/corpus"""
import json, pathlib, subprocess, sys

fdhost, scenarios, corpus = sys.argv[1], pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3])
out = corpus / "reply_decode"
out.mkdir(parents=True, exist_ok=True)
selector = {0x380001: 0, 0x380002: 1, 0x380003: 2}
for path in sorted(scenarios.glob("*.json")):
    lines = subprocess.run([fdhost, "run", str(path)], capture_output=True, text=True).stdout
    asked = {}  # reply id -> request id
    for n, line in enumerate(lines.splitlines()):
        entry = json.loads(line)
        if entry.get("kind") == "input" and entry.get("input") == "ipc_request":
            msg = int(str(entry["msg"]), 0)
            if msg in selector:
                asked[int(str(entry["reply"]), 0)] = msg
        if entry.get("kind") == "ipc" and entry.get("msg") in asked:
            payload = bytes.fromhex(entry["payload_hex"])
            name = f"{path.stem}-{n}"
            (out / name).write_bytes(bytes([selector[asked[entry["msg"]]]]) + payload)
