#!/usr/bin/env python3
"""Writes the stored tests of a bank folder (tests.json) from its question files.

    python3 tools/banktests.py [BANKDIR]        (default: the bank folder of this repository)

Every stored test has the shape of the live test: as many questions of each topic group as the
group's liveCount in bank.json, each question meant for every skill level the test is for.

- Tests written by hand (or by an earlier bank) are kept with their id, type and number, since
  pupils' failed tests point at them. A question of theirs that is gone, or no longer meant for
  the test's levels, is replaced by another of the same group; nothing else changes.
- Tests marked "generated": true are this script's own and are drawn afresh on every run:
  PER_LEVEL tests in test type 1 for every skill level of the categories (type 1 is the one that
  the live-test window lists), and SUMMARY tests in the other types. They are drawn so that the
  tests a pupil of one level sees share as few questions as possible.

The draw is deterministic: the same bank gives the same file. Python 3 standard library only.
"""

import glob
import json
import os
import random
import sys

SEED = 2026
FIRST_TYPE = 1   # the type the live-test window lists
PER_LEVEL = 4    # generated tests of the first type for every skill level
SUMMARY = [      # (type, skills, how many) generated in the other types
    (2, "0011000000", 2),
    (3, "1111100000", 2),
]


class BankError(Exception):
    pass


def load(path):
    try:
        with open(path, encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError) as e:
        raise BankError(f"{path}: {e}")


def suits(question_skills, test_skills):
    """A question suits a test when it is meant for every level the test is for."""
    return len(question_skills) == 10 and all(
        q == "1" for q, t in zip(question_skills, test_skills) if t == "1")


def level_skills(level):
    return "0" * (level - 1) + "1" + "0" * (10 - level)


class Drawer:
    """Picks questions for tests, preferring those the test's levels have seen least."""

    def __init__(self, groups, questions):
        self.groups = groups          # [(id, liveCount)] in display order
        self.questions = questions    # id -> (group, skills)
        self.used = {}                # (type, level) -> {question: tests of that type and level with it}
        self.rng = random.Random(SEED)

    def levels(self, skills):
        return [k + 1 for k, c in enumerate(skills) if c == "1"]

    def count(self, test):
        for level in self.levels(test["skills"]):
            for q in test["questions"]:
                seen = self.used.setdefault((test["type"], level), {})
                seen[q] = seen.get(q, 0) + 1

    def pick(self, test_type, group, skills, n, exclude):
        levels = self.levels(skills)
        candidates = sorted(q for q, (g, s) in self.questions.items()
                            if g == group and q not in exclude and suits(s, skills))
        if len(candidates) < n:
            raise BankError(f"group {group} has only {len(candidates)} questions for skills {skills}, "
                            f"a test needs {n}")
        # least used in the tests of the same list (type) first, then in all tests of the levels;
        # a random key (drawn for every candidate, so that the same bank gives the same draw)
        # settles ties
        same = [seen for (t, lv), seen in self.used.items() if lv in levels and t == test_type]
        every = [seen for (t, lv), seen in self.used.items() if lv in levels]
        keyed = [(sum(s.get(q, 0) for s in same), sum(s.get(q, 0) for s in every), self.rng.random(), q)
                 for q in candidates]
        keyed.sort()
        return [q for *_, q in keyed[:n]]

    def order(self, questions):
        position = {g: i for i, (g, _) in enumerate(self.groups)}
        return sorted(questions, key=lambda q: (position[self.questions[q][0]], q))

    def draw(self, test_type, skills):
        chosen = []
        for group, n in self.groups:
            chosen += self.pick(test_type, group, skills, n, set(chosen))
        return self.order(chosen)

    def repair(self, test):
        """Keeps a test's suitable questions and fills each group up to the exam's count."""
        skills = test["skills"]
        keep = [q for q in test["questions"] if q in self.questions and suits(self.questions[q][1], skills)]
        shape = [sum(1 for q in keep if self.questions[q][0] == g) for g, _ in self.groups]
        if len(set(keep)) == len(test["questions"]) and shape == [n for _, n in self.groups]:
            return test["questions"]
        keep = list(dict.fromkeys(keep))
        fixed = []
        for group, n in self.groups:
            have = [q for q in keep if self.questions[q][0] == group][:n]
            fixed += have
            if len(have) < n:
                fixed += self.pick(test["type"], group, skills, n - len(have), set(keep) | set(fixed))
        return self.order(fixed)


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "bank")
    bank = load(os.path.join(root, "bank.json"))
    groups = sorted(bank["groups"], key=lambda g: (g.get("order", g["id"]), g["id"]))
    groups = [(g["id"], g.get("liveCount", 0)) for g in groups]
    types = {t["id"] for t in bank["testTypes"]}
    levels = sorted({c["skillLevel"] for c in bank["categories"]})
    questions = {}
    for path in sorted(glob.glob(os.path.join(root, "questions", "*.json"))):
        doc = load(path)
        for q in doc.get("questions", []):
            if isinstance(q, dict) and isinstance(q.get("id"), int):
                questions[q["id"]] = (doc.get("group"), str(q.get("skills", "")))

    tests_path = os.path.join(root, "tests.json")
    old = load(tests_path)["tests"] if os.path.exists(tests_path) else []
    kept = [t for t in old if not t.get("generated")]
    drawer = Drawer(groups, questions)

    out = []
    repaired = 0
    for t in kept:
        questions_now = drawer.repair(t)
        if questions_now != t["questions"]:
            repaired += 1
            print(f"test {t['id']}: questions replaced: "
                  f"{sorted(set(t['questions']) - set(questions_now))} -> "
                  f"{sorted(set(questions_now) - set(t['questions']))}")
        t = dict(t, questions=questions_now)
        drawer.count(t)
        out.append(t)

    taken_ids = {t["id"] for t in out}
    numbers = {}
    for t in out:
        numbers.setdefault(t["type"], set()).add(t["number"])

    def add(test_type, skills):
        if test_type not in types:
            raise BankError(f"bank.json has no test type {test_type}")
        number = max(numbers.setdefault(test_type, set()), default=0) + 1
        numbers[test_type].add(number)
        test_id = test_type * 100 + number
        while test_id in taken_ids:
            test_id += 1000
        taken_ids.add(test_id)
        t = {"id": test_id, "type": test_type, "number": number, "skills": skills,
             "questions": drawer.draw(test_type, skills), "generated": True}
        drawer.count(t)
        out.append(t)

    for level in levels:
        for _ in range(PER_LEVEL):
            add(FIRST_TYPE, level_skills(level))
    for test_type, skills, n in SUMMARY:
        for _ in range(n):
            add(test_type, skills)

    out.sort(key=lambda t: (t["type"], t["number"]))
    lines = []
    for t in out:
        line = json.dumps({k: t[k] for k in ("id", "type", "number", "skills", "questions")}, ensure_ascii=False)
        if t.get("generated"):
            line = line[:-1] + ', "generated": true}'
        lines.append("  " + line)
    with open(tests_path, "w", encoding="utf-8") as f:
        f.write('{\n "tests": [\n' + ",\n".join(lines) + "\n ]\n}\n")

    print(f"{len(out)} stored tests: {len(kept)} kept ({repaired} with replaced questions), "
          f"{len(out) - len(kept)} generated")
    for level in levels:
        listed = [t for t in out if t["type"] == FIRST_TYPE and t["skills"][level - 1] == "1"]
        seen = {}
        for t in listed:
            for q in t["questions"]:
                seen[q] = seen.get(q, 0) + 1
        repeated = sum(1 for n in seen.values() if n > 1)
        print(f"  level {level}: {len(listed)} tests of type {FIRST_TYPE}, {len(seen)} different questions, "
              f"{repeated} of them in more than one test")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except BankError as e:
        print(f"banktests: {e}", file=sys.stderr)
        sys.exit(1)
