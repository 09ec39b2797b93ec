#!/usr/bin/env python3
"""Writes the hand-made seeds of morvane-fuzz-profile beside data/parms.txt's copy."""
import pathlib
import shutil

here = pathlib.Path(__file__).resolve().parent
out = here / "profile"
out.mkdir(exist_ok=True)
shutil.copy(here.parent.parent / "data" / "parms.txt", out / "parms.txt")
seeds = {
    "empty.txt": "",
    "no-section.txt": "2=before any section\nname=x\n[name]\n2=Layer vol\n",
    "duplicates.txt": "[name]\n2=first\n2=second\n[lsb]\n2=1\n[NAME]\n2=third\nKey=a\nkey=b\n",
    "quotes.txt": "[q]\na=\"  kept  \"\nb='single'\nc=\"open\nd=\"\ne=\"\"\nf='\"'\ng=\" mixed'\n",
    "value-2047.txt": "[v]\nk=" + "v" * 2047 + "\n",
    "value-2048.txt": "[v]\nk=" + "a" * 2046 + " b\n",
    "quoted-2048.txt": "[v]\nq=\"" + " " * 2100 + "\"\n",
    "crlf-no-final-newline.txt": "[Name]\r\n2 = Layer vol\r\n\r\n3=Layer pan",
    "blanks-and-case.txt": "  [ MiN ]  \n\t2\t=\t 5 \t\n MAX]\n[Max\n399=127\n[lsb]x\n0 =0\n",
    "no-equals.txt": "[name]\njust text\n[msb\n=empty key\n0=zero\n==\n[]\nk==v=\n",
    "long-line.txt": "[long]\n" + "k" * 3000 + "=" + "v" * 3000,
}
for name, text in seeds.items():
    (out / name).write_bytes(text.encode())
