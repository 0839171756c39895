#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets. Run from anywhere; rewrites
corpus/response (one byte for the request's type code, then a device answer)
and corpus/notification (a notification datagram as the device sends it)."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))

# Payload sizes of the answers that carry one.
SIZES = {2: 4, 3: 2, 5: 20, 6: 16, 8: 16, 10: 6, 12: 64, 13: 2, 18: 2, 23: 12, 26: 13,
         28: 1, 29: 25, 30: 2, 32: 32, 34: 2, 36: 98, 38: 4, 39: 37, 41: 11, 43: 2,
         45: 1, 47: 4, 49: 2, 51: 36, 54: 30, 55: 32, 57: 12, 59: 8, 67: 2}


def framed(type_code, result, seq, payload, version=1, length_delta=0):
    body = bytes([version]) + type_code.to_bytes(2, "big") + result.to_bytes(4, "big") \
        + seq.to_bytes(2, "big") + payload
    d = (len(body) + 1 + length_delta).to_bytes(2, "big") + body
    return d + bytes([(~sum(d)) & 0xFF])


def notification(code, group=0, inp=0, value=1, size=14, version=1, length_delta=0,
                 sum_delta=0):
    """length(2) version(1) code(4) group(1) input(1) value(4), cut or padded
    with zeros to `size`, then a checksum byte that makes the 8-bit sum of all
    bytes 0xFF (plus `sum_delta`)."""
    fields = (size - 2 + length_delta).to_bytes(2, "big") + bytes([version]) \
        + code.to_bytes(4, "big") + bytes([group, inp]) + value.to_bytes(4, "big")
    d = fields[: size - 1].ljust(size - 1, b"\0")
    return d + bytes([(0xFF - sum(d) + sum_delta) & 0xFF])


def notification_seeds():
    seeds = {}
    # Every alarm code the device sends, and the unnamed 0 and 17.
    for code in range(18):
        for value in (0, 1):
            seeds[f"code-{code:02d}-{value}"] = notification(code, code % 2, code % 4, value)
    # The fields that pick names: inputs, groups, sources, masks, outputs.
    for inp in range(6):
        seeds[f"gpi-input-{inp}"] = notification(12, 0, inp, 1)
        seeds[f"video-input-{inp}"] = notification(4, 0, inp, 1)
    for group in range(3):
        seeds[f"relay-group-{group}"] = notification(13, group, 0, 1)
    for source in range(11):
        seeds[f"genlock-source-{source}"] = notification(10, 1, 0, source)
    for code, mask in ((6, 0x0003), (6, 0xFFFF), (7, 0x8001), (7, 0x1234_0F0F)):
        seeds[f"audio-{code}-{mask:x}"] = notification(code, 0, 2, mask)
    for value in (0, 1, 0xFFFFFFFF):
        seeds[f"output-{value:x}"] = notification(14, 1, 0, value)
    # Short datagrams (fields beyond them read as zero) and long ones.
    for size in range(10, 14):
        seeds[f"short-{size}"] = notification(3, 0, 1, 1, size=size)
    seeds["long-100"] = notification(1, 0, 0, 1, size=100)
    seeds["longest"] = notification(15, 0, 0, 1, size=1039)
    # What the receiver drops.
    seeds["bad-checksum"] = notification(13, sum_delta=-1)
    seeds["bad-length"] = notification(13, length_delta=1)
    seeds["bad-version"] = notification(13, version=2)
    seeds["too-short"] = notification(13, size=9)
    seeds["too-long"] = notification(13, size=1040)
    seeds["empty"] = b""
    return seeds


def response_seeds():
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
    return seeds


def write(corpus, seeds):
    out = os.path.join(HERE, "corpus", corpus)
    os.makedirs(out, exist_ok=True)
    for name in os.listdir(out):
        os.remove(os.path.join(out, name))
    for name, data in seeds.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    print(f"{len(seeds)} seeds in {out}")


def main():
    write("response", response_seeds())
    write("notification", notification_seeds())


if __name__ == "__main__":
    main()
