#!/usr/bin/env python3
"""bench/compare_peers.py: the filter run's word-list matching beside other tools on the
same bytes and the same words.

For each (filters x words per list) configuration it times, on one corpus:
  - the whole filter run (scan_bench), and its BODY lists alone over the lines in memory
    (scan_bench --match-only), with list load time and peak RSS;
  - grep -F -i -c -f over the concatenated messages with every word of the configuration;
  - a token-set scan (Python): every line split at the scanner's delimiters, each token
    looked up in a set of the upper-cased words.
Rates are megabytes and messages per second of processor time, so that they mean one core
even on a busy machine. Ratios are the filter run's rates over each peer's.

  bench/compare_peers.py [--build build] [--messages 1000] [--eml-dir DIR] [--words-dir DIR]
                         [--configs 10x10,10x1000,100x1000,10x10000] [--rounds N] [--keep DIR]

--eml-dir takes the messages from .eml files (CR LF line ends), --words-dir the lists from
its files (file n, in name order, is filter n's list; each is cut to the configuration's
word count). Without them both are generated with a fixed seed.

--rounds N (default 3) times every tool N times over the same bytes and reports each one's
best round: one round of a configuration is about a tenth of a second of processor time,
so a single round swings by a fifth on a busy machine while its best of several does not.
"""
import argparse
import bisect
import os
import random
import re
import resource
import shutil
import subprocess
import sys
import tempfile
import time

DELIMITERS = b" \r'\"\n"

TOKEN_SCAN = r'''
import re, sys
words = set(w.upper() for w in open(sys.argv[1], 'rb').read().split(b'\n') if w)
split = re.compile(rb"[ \r'\"\n]+").split
hits = 0
with open(sys.argv[2], 'rb') as corpus:
    for line in corpus:
        for token in split(line.upper()):
            if token in words:
                hits += 1
print(hits)
'''


def syllable_word(rng, syllables):
    onsets = ["b", "br", "c", "ch", "d", "f", "g", "gr", "h", "j", "k", "l", "m", "n", "p",
              "pr", "qu", "r", "s", "sh", "st", "t", "tr", "v", "w", "z"]
    vowels = ["a", "e", "i", "o", "u", "ai", "ea", "io", "ou"]
    codas = ["", "", "n", "r", "s", "t", "x", "ck", "ll", "m"]
    return "".join(rng.choice(onsets) + rng.choice(vowels) + rng.choice(codas)
                   for _ in range(syllables))


def generate_vocabulary(rng, count):
    words = set()
    while len(words) < count:
        words.add(syllable_word(rng, rng.choice([1, 2, 2, 3])))
    return sorted(words)


def generate_messages(directory, count, rng, vocabulary):
    """Messages of median 8 KB (log-normal sizes), real-shaped headers, 70-column lines,
    words drawn by Zipf's law (the word of rank r about 1/r as often as the first) as in
    natural text."""
    os.makedirs(directory, exist_ok=True)
    cumulative, weight = [], 0.0
    for rank in range(1, len(vocabulary) + 1):
        weight += 1.0 / rank
        cumulative.append(weight)

    def zipf_word():
        return vocabulary[min(bisect.bisect_left(cumulative, rng.random() * weight),
                              len(vocabulary) - 1)]

    for n in range(count):
        size = int(min(max(rng.lognormvariate(8.99, 0.6), 1200), 120000))  # e^8.99 ~ 8 KB
        sender = rng.choice(vocabulary) + "@" + rng.choice(vocabulary) + ".example"
        header = ("Return-Path: <%s>\r\nReceived: from mx.%s.example ([192.0.2.%d])\r\n"
                  "From: %s <%s>\r\nTo: user%d@example.com\r\nSubject: %s\r\n"
                  "Date: Mon, 7 Dec 2026 05:00:%02d +0000\r\nMessage-ID: <%d@example.net>\r\n"
                  "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n"
                  % (sender, rng.choice(vocabulary), n % 250, rng.choice(vocabulary).title(),
                     sender, n, " ".join(zipf_word() for _ in range(5)), n % 60, n))
        lines, line, total = [], [], len(header)
        while total < size:
            word = zipf_word()
            if rng.random() < 0.08:
                word = word.title()
            line.append(word)
            if sum(len(w) + 1 for w in line) > 70:
                lines.append(" ".join(line))
                total += len(lines[-1]) + 2
                line = []
        body = "\r\n".join(lines) + "\r\n"
        with open(os.path.join(directory, "m%05d.eml" % n), "w", newline="") as out:
            out.write(header + body)


def write_lists(directory, filters, words, source_lists, rng, vocabulary):
    """Filter n's list: source list n cut to `words`, or distinct generated words of which
    one, of any rank, also occurs in the messages (so that some messages meet the filter)."""
    os.makedirs(directory, exist_ok=True)
    everything = []
    for n in range(filters):
        if source_lists:
            listed = source_lists[n % len(source_lists)][:words]
        else:
            listed = ["%s%s%d" % (syllable_word(rng, 2), "q", n * words + i)
                      for i in range(words)]
            listed[rng.randrange(words)] = rng.choice(vocabulary)
        everything.extend(listed)
        with open(os.path.join(directory, "list%04d.txt" % n), "w", newline="") as out:
            out.write("".join(w + "\r\n" for w in listed))
    return everything


def child_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(command, **kwargs):
    before = child_cpu()
    result = subprocess.run(command, capture_output=True, text=True, **kwargs)
    if result.returncode not in (0, 1):  # grep answers 1 when nothing matched
        sys.exit("compare_peers: %s failed (%d): %s" % (command[0], result.returncode,
                                                        result.stderr.strip()))
    return child_cpu() - before, result.stdout


def best_of(rounds, measure):
    """The best (highest rate) of `rounds` measurements, each a dict or a number of seconds."""
    results = [measure() for _ in range(rounds)]
    if isinstance(results[0], dict):
        return max(results, key=lambda result: result["mbps"])
    return min(results)


def scan_bench(binary, filters, words, eml_dir, words_dir, extra):
    command = ["/usr/bin/time", "-f", "peak-rss-kb %M", binary, "--filters", str(filters),
               "--words", str(words), "--eml-dir", eml_dir, "--words-dir", words_dir] + extra
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit("compare_peers: scan_bench failed: " + result.stderr.strip())
    text = result.stdout + result.stderr
    cpu = re.search(r"cpu ([\d.]+) s, ([\d.]+) messages/s, ([\d.]+) MB/s", text)
    load = re.search(r"load [\d.]+ s, processor ([\d.]+) s", text)
    rss = re.search(r"peak-rss-kb (\d+)", text)
    if not (cpu and load and rss):
        sys.exit("compare_peers: cannot read scan_bench's output:\n" + text)
    return {"mbps": float(cpu.group(3)), "mps": float(cpu.group(2)),
            "load": float(load.group(1)), "rss": int(rss.group(1)) / 1024.0}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default="build", help="the build directory (scan_bench)")
    parser.add_argument("--messages", type=int, default=1000, help="generated messages")
    parser.add_argument("--eml-dir", help="take the messages from these .eml files")
    parser.add_argument("--words-dir", help="take the word lists from these files")
    parser.add_argument("--configs", default="10x10,10x1000,100x1000,10x10000",
                        help="filters x words per list, comma-separated")
    parser.add_argument("--rounds", type=int, default=3,
                        help="time each tool this many times and keep its best round")
    parser.add_argument("--keep", help="write the corpus and lists here and keep them")
    options = parser.parse_args()

    binary = os.path.join(options.build, "bench", "scan_bench")
    if not os.access(binary, os.X_OK):
        sys.exit("compare_peers: %s not found; build it with "
                 "cmake --build %s --target scan_bench" % (binary, options.build))
    if shutil.which("grep") is None or not os.path.exists("/usr/bin/time"):
        sys.exit("compare_peers: needs grep and /usr/bin/time (Debian package time)")
    configs = []
    for item in options.configs.split(","):
        filters, words = item.lower().split("x")
        configs.append((int(filters), int(words)))

    work = options.keep or tempfile.mkdtemp(prefix="compare_peers.")
    os.makedirs(work, exist_ok=True)
    rng = random.Random(20261207)
    vocabulary = generate_vocabulary(rng, 5000)
    eml_dir = options.eml_dir
    if eml_dir is None:
        eml_dir = os.path.join(work, "eml")
        generate_messages(eml_dir, options.messages, rng, vocabulary)
    emls = sorted(f for f in os.listdir(eml_dir) if f.endswith(".eml"))
    corpus = os.path.join(work, "corpus.txt")
    with open(corpus, "wb") as out:
        for name in emls:
            with open(os.path.join(eml_dir, name), "rb") as message:
                out.write(message.read())
    total_bytes = os.path.getsize(corpus)
    source_lists = []
    if options.words_dir:
        for name in sorted(os.listdir(options.words_dir)):
            with open(os.path.join(options.words_dir, name), "rb") as listed:
                words = [w.decode("latin-1") for w in listed.read().replace(b"\r", b"").split(b"\n")
                         if w]
            source_lists.append(words)
    print("corpus: %d messages, %.1f MB (median %.1f KB); rates per second of processor time"
          % (len(emls), total_bytes / 1e6,
             sorted(os.path.getsize(os.path.join(eml_dir, f)) for f in emls)[len(emls) // 2]
             / 1024.0))
    print()
    header = ("%-10s %9s %9s %9s %8s %8s %9s %9s %8s %8s %7s %7s"
              % ("filters x", "run MB/s", "run msg/s", "match", "grep", "tokens", "run/grep",
                 "run/tok", "mtch/grep", "load s", "RSS MB", "words"))
    print(header)
    for filters, words in configs:
        words_dir = os.path.join(work, "words-%dx%d" % (filters, words))
        everything = write_lists(words_dir, filters, words, source_lists, rng, vocabulary)
        all_words = os.path.join(work, "all-%dx%d.txt" % (filters, words))
        with open(all_words, "w", newline="") as out:
            out.write("".join(w + "\n" for w in everything))
        rounds = max(options.rounds, 1)
        run = best_of(rounds, lambda: scan_bench(binary, filters, words, eml_dir, words_dir, []))
        match = best_of(rounds, lambda: scan_bench(binary, filters, words, eml_dir, words_dir,
                                                   ["--match-only"]))
        grep_cpu = best_of(rounds, lambda: timed(["grep", "-F", "-i", "-c", "-f", all_words,
                                                  corpus], env=dict(os.environ, LC_ALL="C"))[0])
        token_cpu = best_of(rounds, lambda: timed([sys.executable, "-c", TOKEN_SCAN, all_words,
                                                   corpus])[0])
        grep_mbps = total_bytes / 1e6 / max(grep_cpu, 1e-6)
        token_mbps = total_bytes / 1e6 / max(token_cpu, 1e-6)
        print("%-10s %9.1f %9.0f %9.1f %8.1f %8.1f %8.1fx %8.1fx %8.1fx %8.3f %7.1f %7d"
              % ("%dx%d" % (filters, words), run["mbps"], run["mps"], match["mbps"], grep_mbps,
                 token_mbps, run["mbps"] / grep_mbps, run["mbps"] / token_mbps,
                 match["mbps"] / grep_mbps, run["load"], run["rss"], len(everything)))
        sys.stdout.flush()
    small_rates = []
    for _ in range(max(options.rounds, 1)):
        small = subprocess.run([binary, "--filters", "10", "--words", "10", "--messages", "3000",
                                "--size", "2048"], capture_output=True, text=True)
        found = re.search(r"cpu ([\d.]+) s, ([\d.]+) messages/s", small.stdout)
        if found:
            small_rates.append(float(found.group(2)))
    if small_rates:
        print()
        print("10 x 10, 3000 generated 2 KB messages, report log on: %.0f messages/s"
              % max(small_rates))
    print()
    print("run: whole filter runs (scan_bench); match: BODY lists alone over every line in "
          "memory (scan_bench --match-only);")
    print("grep: grep -F -i -c -f (LC_ALL=C); tokens: Python token-set scan; load: loading "
          "and compiling the lists (processor time); each the best of %d rounds"
          % max(options.rounds, 1))
    if not options.keep:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
