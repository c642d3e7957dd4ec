"""The shipped word books (lists/词库) as the end-to-end drivers read them:
a book's place in F7's menu and the words of one of its chapters."""

import os


def library(source):
    return os.path.join(source, "lists", "\u8bcd\u5e93")  # lists/词库


def chapter_words(source, book, n):
    with open(os.path.join(library(source), book, f"{book}-{n:03d}.txt"), "rb") as f:
        return [line.split(b" ", 1)[0].decode("ascii") for line in f.read().splitlines() if line.strip()]


def book_position(source, book):
    """Where the book stands among the books in books.tsv (0 first)."""
    with open(os.path.join(library(source), "books.tsv"), encoding="utf-8") as f:
        return [line.split("\t")[0] for line in f if line.strip()].index(book)
