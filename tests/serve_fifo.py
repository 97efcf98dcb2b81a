#!/usr/bin/python3
"""Gives FIRST to the first reader of the FIFO and SECOND to the next one.
SECOND goes in only once the first reader has closed the FIFO, however long
that takes: inotify tells of the close. WATCHING is created once the FIFO
is watched, so that the reader may start; a writer that cannot watch fails
before that.

Usage: serve_fifo.py FIFO FIRST SECOND WATCHING
"""

import ctypes
import os
import sys

IN_CLOSE_NOWRITE = 0x10  # a reader closed it


def main():
    fifo, first, second, watching = sys.argv[1:]
    libc = ctypes.CDLL(None, use_errno=True)
    watch = libc.inotify_init1(0)
    if watch < 0 or libc.inotify_add_watch(watch, fifo.encode(), IN_CLOSE_NOWRITE) < 0:
        raise OSError(ctypes.get_errno(), "inotify")
    with open(watching, "w", encoding="utf-8"):
        pass
    with open(fifo, "w", encoding="utf-8") as reader:
        reader.write(first)
    os.read(watch, 4096)
    with open(fifo, "w", encoding="utf-8") as reader:
        reader.write(second)


if __name__ == "__main__":
    main()
