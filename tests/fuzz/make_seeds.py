#!/usr/bin/env python3
"""Writes the seed inputs of fuzz_response: one byte for the request's type
code, then a device answer. Run from anywhere; rewrites corpus/response."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "response")

# Payload sizes of the answers that carry one.
SIZES = {2: 4, 3: 2, 5: 20, 6: 16, 8: 16, 10: 6, 12: 64, 13: 2, 18: 2, 23: 12, 26: 13,
         28: 1, 29: 25, 30: 2, 32: 32, 34: 2, 36: 98, 38: 4, 39: 37, 41: 11, 43: 2,
         45: 1, 47: 4, 49: 2, 51: 36, 54: 30, 55: 32, 57: 12, 59: 8, 67: 2}


def framed(type_code, result, seq, payload, version=1, length_delta=0):
    body = bytes([version]) + type_code.to_bytes(2, "big") + result.to_bytes(4, "big") \
        + seq.to_bytes(2, "big") + payload
    d = (len(body) + 1 + length_delta).to_bytes(2, "big") + body
    return d + bytes([(~sum(d)) & 0xFF])


def main():
    os.makedirs(OUT, exist_ok=True)
    for name in os.listdir(OUT):
        os.remove(os.path.join(OUT, name))
    seeds = {}
    for code in list(range(1, 60)) + [66, 67, 68]:
        size = SIZES.get(code, 0)
        payload = bytes((code * 7 + i) & 0xFF for i in range(size))
        seeds[f"ok-{code:02d}"] = bytes([code]) + framed(code, 0, 1, payload)
        if size:
            seeds[f"short-{code:02d}"] = bytes([code]) + framed(code, 0, 1, payload[: size // 2])
    seeds["product-serial"] = bytes([5]) + framed(5, 0, 1, bytes.fromhex(
        "0000C352414200003039002A0000000000000000"))
    seeds["failed-13"] = bytes([39]) + framed(39, 13, 2, bytes(37))
    seeds["bad-version"] = bytes([3]) + framed(3, 0, 1, b"\x01\x01", version=2)
    seeds["bad-length"] = bytes([3]) + framed(3, 0, 1, b"\x01\x01", length_delta=1)
    seeds["bad-checksum"] = bytes([3]) + framed(3, 0, 1, b"\x01\x01")[:-1] + b"\x00"
    seeds["largest"] = bytes([36]) + framed(36, 0, 1, bytes(1028))
    seeds["no-class"] = bytes([61]) + framed(61, 0, 1, b"")
    for name, data in seeds.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
    print(f"{len(seeds)} seeds in {OUT}")


if __name__ == "__main__":
    main()
