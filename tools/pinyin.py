"""Pinyin of herb names that no source spells out.

The readings come from the Luna Pinyin dictionary of the Rime input method
(Debian package rime-data-luna-pinyin).  Its words are in traditional script,
so a name is looked up in both scripts: the longest dictionary word first,
else each character's most frequent reading.  Herb names often use the rarer
reading of a polyphonic character (参 shen, 术 zhu, 柏 bo); the curated table
tools/pinyin_words.tsv fixes those words and wins over the dictionary.
"""

import os
import re

DICTIONARY = "/usr/share/rime-data/luna_pinyin.dict.yaml"
WORDS_TABLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "pinyin_words.tsv")


def read_table(path):
    """Rows of a curated TAB table without its comment lines and title line."""
    rows = []
    with open(path, encoding="utf-8") as f:
        lines = [l.rstrip("\n") for l in f if l.strip() and not l.startswith("#")]
    for line in lines[1:]:
        rows.append(line.split("\t"))
    return rows


class Pinyin:
    def __init__(self, dictionary=DICTIONARY, words_table=WORDS_TABLE):
        self.chars = {}      # character -> (weight, reading) of its best reading
        self.words = {}      # word of two or more characters -> reading
        self.max_word = 1
        with open(dictionary, encoding="utf-8") as f:
            body = False
            for line in f:
                line = line.rstrip("\n")
                if not body:
                    body = line == "..."
                    continue
                if not line or line.startswith("#"):
                    continue
                parts = line.split("\t")
                if len(parts) < 2:
                    continue
                text, reading = parts[0], parts[1]
                weight = _weight(parts[2]) if len(parts) > 2 else None
                if len(text) == 1:
                    # Without a weight the first listed reading stands.
                    w = weight if weight is not None else -1.0
                    if text not in self.chars or w > self.chars[text][0]:
                        self.chars[text] = (w, reading)
                elif text not in self.words:
                    self.words[text] = reading.replace(" ", "")
                    self.max_word = max(self.max_word, len(text))
        table = {w: p for w, p in read_table(words_table)}
        # Single characters of the table are read that way in every herb name.
        self.fixed_chars = {w: p for w, p in table.items() if len(w) == 1}
        self.fixed = {w: p for w, p in table.items() if len(w) > 1}

    def from_dictionary(self, name, traditional=None):
        """Reading of a name from the dictionary alone (lower case, no blanks),
        or None when a character has no reading."""
        trad = traditional if traditional and len(traditional) == len(name) else name
        out = []
        i = 0
        while i < len(name):
            for n in range(min(self.max_word, len(name) - i), 1, -1):
                if any(ch in self.fixed_chars for ch in name[i:i + n]):
                    continue
                word = self.words.get(trad[i:i + n]) or self.words.get(name[i:i + n])
                if word:
                    out.append(word)
                    i += n
                    break
            else:
                if name[i] in self.fixed_chars:
                    out.append(self.fixed_chars[name[i]])
                    i += 1
                    continue
                hit = self.chars.get(trad[i]) or self.chars.get(name[i])
                if hit is None:
                    return None
                out.append(hit[1])
                i += 1
        return "".join(out)

    def reading(self, name, traditional=None):
        """The name's pinyin, capitalised like the sources (Dihuang); the curated
        words win over the dictionary, also as parts of a longer name."""
        if name in self.fixed:
            return self.fixed[name].capitalize()
        # A curated word inside the name (熟地黄 in 熟地黄炭) keeps its reading.
        for word in sorted(self.fixed, key=len, reverse=True):
            k = name.find(word)
            if k >= 0:
                parts = [self.reading(name[:k], traditional and traditional[:k]) if k else "",
                         self.fixed[word],
                         self.reading(name[k + len(word):],
                                      traditional and traditional[k + len(word):])
                         if k + len(word) < len(name) else ""]
                if None in parts:
                    return None
                return "".join(parts).lower().capitalize()
        got = self.from_dictionary(name, traditional)
        return got.capitalize() if got else None


def _weight(text):
    m = re.fullmatch(r"([\d.]+)%", text.strip())
    return float(m.group(1)) if m else None
