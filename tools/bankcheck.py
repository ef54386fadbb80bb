#!/usr/bin/env python3
"""Quick check of a question bank folder, without building anything.

    python3 tools/bankcheck.py bank

Reports errors (the bank would not import, or breaks the bank's conventions) and warnings
(worth a look), then counts of questions by topic group and skill level and the share of
single-answer questions whose correct answer is the single longest one. Exits with 1 when
there is any error. The builder (ferdano-dbbuild) remains the final word on what imports.
"""

import glob
import json
import os
import sys

LEVELS = ["motocykly", "osobní", "nákladní", "autobusy", "traktory"]
EXPLANATION_LIMIT = 2000  # the builder refuses longer explanations
FILE_SHARE_LIMIT = 0.30   # longest-answer share per question file
BANK_SHARE_LIMIT = 0.35   # and over the whole bank
GROUP_POINTS = {1: 2, 2: 1, 3: 2, 4: 4, 5: 1, 6: 2, 7: 1}


class Report:
    def __init__(self):
        self.errors = []
        self.warnings = []

    def error(self, where, what):
        self.errors.append(f"{where}: {what}")

    def warn(self, where, what):
        self.warnings.append(f"{where}: {what}")


def load(path, report):
    try:
        with open(path, encoding="utf-8") as f:
            return json.load(f)
    except FileNotFoundError:
        report.error(path, "file missing")
    except (json.JSONDecodeError, UnicodeDecodeError) as e:
        report.error(path, f"not valid UTF-8 JSON ({e})")
    return None


def text_of(value):
    """A text may be a string or a list of lines, as the builder accepts."""
    if isinstance(value, list) and all(isinstance(v, str) for v in value):
        return "\n".join(value)
    return value if isinstance(value, str) else None


def blank(s):
    return not "".join(ch for ch in s if ch.isprintable()).strip()


def is_pattern(s, n):
    return isinstance(s, str) and len(s) == n and set(s) <= {"0", "1"}


def longest_is_correct(answers, correct):
    """True when the one correct answer is strictly longer than every other answer."""
    i = correct.index("1")
    own = len(answers[i].strip())
    return all(len(a.strip()) < own for j, a in enumerate(answers) if j != i)


def check_question(q, where, group, root, report):
    if not isinstance(q, dict):
        report.error(where, "entry is not an object")
        return False
    qid = q.get("id")
    text = text_of(q.get("text"))
    if text is None or blank(text):
        report.error(where, "text missing or empty")
    answers = q.get("answers")
    if not isinstance(answers, list) or len(answers) != 4 or not all(isinstance(a, str) for a in answers):
        report.error(where, "answers: must be a list of exactly four texts")
        answers = None
    elif any(blank(a) for a in answers):
        report.error(where, "answers: an answer is empty")
    elif len({a.strip() for a in answers}) < 4:
        report.error(where, "answers: two answers are the same")
    correct = q.get("correct")
    if not is_pattern(correct, 4) or "1" not in correct:
        report.error(where, f"correct: {correct!r} is not four 0/1 characters with at least one 1")
        correct = None
    skills = q.get("skills")
    if not is_pattern(skills, 10):
        report.error(where, f"skills: {skills!r} is not ten 0/1 characters")
    elif "1" not in skills[:5] or "1" in skills[5:]:
        report.error(where, f"skills: {skills!r} needs a 1 among positions 1-5 and 0 at 6-10")
    points = q.get("points")
    if not isinstance(points, int) or isinstance(points, bool) or points <= 0:
        report.error(where, f"points: {points!r} is not a whole number above 0")
    elif group in GROUP_POINTS and points != GROUP_POINTS[group]:
        report.warn(where, f"points: {points}, the group's exam value is {GROUP_POINTS[group]}")
    if "explanation" not in q:
        report.warn(where, "explanation missing")
    else:
        expl = text_of(q["explanation"])
        if expl is None:
            report.error(where, "explanation: not a text")
        elif blank(expl):
            report.error(where, "explanation: empty")
        elif len(expl) > EXPLANATION_LIMIT:
            report.error(where, f"explanation: longer than {EXPLANATION_LIMIT} characters")
    picture = q.get("picture")
    if picture is not None:
        if not isinstance(picture, str) or not os.path.isfile(os.path.join(root, picture)):
            report.error(where, f"picture: file {picture!r} not found")
    if isinstance(qid, int) and qid >= 1000 and group is not None and qid // 1000 != group:
        report.warn(where, f"id {qid} lies outside group {group}'s range {group * 1000 + 1}..")
    return answers is not None and correct is not None and correct.count("1") == 1


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    root = argv[1]
    report = Report()
    bank = load(os.path.join(root, "bank.json"), report) or {}
    groups = {g.get("id"): g for g in bank.get("groups", []) if isinstance(g, dict)}
    for gid in groups:
        if not isinstance(gid, int) or gid <= 0:
            report.error(f"bank.json: group {gid!r}", "id must be a whole number above 0 (0 means no mandatory group)")
    for c in bank.get("categories", []):
        mg = c.get("mandatoryGroup")
        if mg not in groups and mg != 0:
            report.error(f"bank.json: category {c.get('code')}", f"mandatoryGroup {mg} is not a group nor 0")

    ids = {}
    questions = {}
    single_total = longest_total = 0
    shares = []
    files = sorted(glob.glob(os.path.join(root, "questions", "*.json")))
    if not files:
        report.error(os.path.join(root, "questions"), "no question files")
    for path in files:
        name = os.path.relpath(path, root)
        doc = load(path, report)
        if not isinstance(doc, dict):
            continue
        group = doc.get("group")
        if group not in groups:
            report.error(name, f"group {group!r} is not a group of bank.json")
        single = longest = 0
        for i, q in enumerate(doc.get("questions", [])):
            qid = q.get("id") if isinstance(q, dict) else None
            where = f"{name}: question {qid if qid is not None else '#' + str(i + 1)}"
            if not isinstance(qid, int) or isinstance(qid, bool) or qid <= 0:
                report.error(where, "id: not a whole number above 0")
            elif qid in ids:
                report.error(where, f"id {qid} is also used in {ids[qid]}")
            else:
                ids[qid] = name
                questions[qid] = (group, q.get("skills", ""))
            if check_question(q, where, group, root, report):
                single += 1
                if longest_is_correct(q["answers"], q["correct"]):
                    longest += 1
        share = longest / single if single else 0.0
        shares.append((name, longest, single, share))
        if share > FILE_SHARE_LIMIT:
            report.warn(name, f"correct answer is the single longest in {share:.0%} of single-answer questions "
                              f"(at most {FILE_SHARE_LIMIT:.0%})")
        single_total += single
        longest_total += longest
    overall = longest_total / single_total if single_total else 0.0
    if overall > BANK_SHARE_LIMIT:
        report.error("bank", f"correct answer is the single longest in {overall:.0%} of single-answer questions "
                             f"(at most {BANK_SHARE_LIMIT:.0%})")

    tests_path = os.path.join(root, "tests.json")
    if os.path.exists(tests_path):
        tests = load(tests_path, report) or {}
        seen = set()
        for t in tests.get("tests", []):
            where = f"tests.json: test {t.get('id')}"
            if t.get("id") in seen:
                report.error(where, "id used twice")
            seen.add(t.get("id"))
            skills = t.get("skills", "")
            for qid in t.get("questions", []):
                if qid not in questions:
                    report.error(where, f"question {qid} does not exist")
                elif is_pattern(skills, 10) and is_pattern(questions[qid][1], 10) and any(
                        s == "1" and qs == "0" for s, qs in zip(skills, questions[qid][1])):
                    report.warn(where, f"question {qid} is not meant for every level the test is for")

    for line in report.errors:
        print("ERROR   " + line)
    for line in report.warnings:
        print("warning " + line)

    print()
    print(f"{len(ids)} questions")
    header = "group".ljust(8) + "all".rjust(6) + "".join(l[:9].rjust(10) for l in LEVELS) + "   live"
    print(header)
    for gid in sorted(g for g in groups if isinstance(g, int)):
        in_group = [s for g, s in questions.values() if g == gid]
        per_level = [sum(1 for s in in_group if len(s) == 10 and s[k] == "1") for k in range(5)]
        live = groups[gid].get("liveCount", 0)
        short = "  (a level has fewer than 3x the live count)" if live and min(per_level) < 3 * live else ""
        print(str(gid).ljust(8) + str(len(in_group)).rjust(6) + "".join(str(n).rjust(10) for n in per_level)
              + str(live).rjust(7) + short)
    totals = [sum(1 for _, s in questions.values() if len(s) == 10 and s[k] == "1") for k in range(5)]
    print("total".ljust(8) + str(len(ids)).rjust(6) + "".join(str(n).rjust(10) for n in totals))
    print()
    print("correct answer is the single longest (single-answer questions):")
    for name, longest, single, share in shares:
        print(f"  {name}: {longest}/{single} = {share:.0%}")
    print(f"  whole bank: {longest_total}/{single_total} = {overall:.0%}")
    print()
    print(f"{len(report.errors)} errors, {len(report.warnings)} warnings")
    return 1 if report.errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
