#!/usr/bin/env python3
"""Decodes Sparkplug B payload files with Python's protobuf runtime and prints them as JSON.

Usage: sparkplug_decode.py PB2_DIR FILE...   (prints one JSON array, one object per file)
Signed integer metrics are turned back from the two's complement in int_value/long_value.
"""
import json
import sys

sys.path.insert(0, sys.argv[1])
import sparkplug_b_pb2 as pb  # noqa: E402  (generated into PB2_DIR)

SIGNED = {pb.Int8: 8, pb.Int16: 16, pb.Int32: 32, pb.Int64: 64}


def value_of(metric):
    kind = metric.WhichOneof("value")
    if kind is None:
        return None
    value = getattr(metric, kind)
    bits = SIGNED.get(metric.datatype)
    if bits and kind in ("int_value", "long_value"):
        value &= (1 << bits) - 1
        if value >= 1 << (bits - 1):
            value -= 1 << bits
    return value


out = []
for path in sys.argv[2:]:
    payload = pb.Payload()
    with open(path, "rb") as f:
        payload.ParseFromString(f.read())
    out.append({
        "timestamp": payload.timestamp if payload.HasField("timestamp") else None,
        "seq": payload.seq if payload.HasField("seq") else None,
        "metrics": [{"name": m.name, "datatype": m.datatype, "timestamp": m.timestamp,
                     "value": value_of(m)} for m in payload.metrics],
    })
print(json.dumps(out))
