#!/usr/bin/env python3
"""Assembles a self-extractor for the tests: the stub, an optional 256-byte
OptionsBlock, then the ZIP archive.

    make_sfx.py STUB ZIP OUT [--flags N] [--description T] [--folder T] [--command T]

Without any of the block options the archive follows the stub directly.
"""
import argparse

BLOCK_SIZE = 256


def options_block(flags, description, folder, command):
    texts = [t.encode("latin-1") for t in (description, folder, command)]
    block = b"@KV" + bytes([flags]) + bytes(len(t) for t in texts) + b"".join(texts)
    if len(block) > BLOCK_SIZE:
        raise SystemExit("the OptionsBlock texts do not fit into 256 bytes")
    return block.ljust(BLOCK_SIZE, b"\0")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("stub")
    parser.add_argument("zip")
    parser.add_argument("out")
    parser.add_argument("--flags", type=lambda text: int(text, 0))
    parser.add_argument("--description", default="")
    parser.add_argument("--folder", default="")
    parser.add_argument("--command", default="")
    args = parser.parse_args()
    with open(args.stub, "rb") as f:
        data = f.read()
    if args.flags is not None or args.description or args.folder or args.command:
        data += options_block(args.flags or 0, args.description, args.folder, args.command)
    with open(args.zip, "rb") as f:
        data += f.read()
    with open(args.out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
