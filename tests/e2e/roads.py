"""The roads a pupil or a screen reader user takes through the program, each from the start of a
program of its own to the main window again."""

import datetime
import glob
import io
import os
import pwd
import re
import shutil
import subprocess
import time

from app import (RECORD, REGISTER, RESULT, ZOOM, Ferdano, click_control, control, field, has_label, label_starting,
                 norm, press, select_cell)
from harness import (Program, RoadFailure, Skip, XServer, check, client_stacking, do_action, enabled, extents,
                     find_all, has_state, role, screenshot, set_text, showing, text_of,
                     wait_for)

ROADS = []

ADMIN_RC, ADMIN_PASSWORD = "admin", "ferdano"


def road(number, title):
    def register(fn):
        ROADS.append((number, title, fn))
        return fn
    return register


class Road:
    """What one road owns: its folder, its programs and what to show when it fails."""

    def __init__(self, suite, name):
        self.suite = suite
        self.dir = suite.road_dir(name)
        self.programs = []
        self.extra_x = []
        self.cleanups = []

    def program(self, x=None):
        p = Program(self.suite, self.dir, x)
        self.programs.append(p)
        return p

    def start(self, program, display=None):
        """Starts the program and returns it driven as an application."""
        proc = program.start()
        return Ferdano(proc, display or program.x.display)

    def screenshot(self, path=None, display=None):
        return screenshot(display or self.suite.x.display, path)

    def close(self):
        for p in self.programs:
            p.stop_all()
        for fn in reversed(self.cleanups):
            try:
                fn()
            except Exception as e:
                print(f"  (clean-up: {e})")
        for x in self.extra_x:
            x.stop()


# ---------------------------------------------------------------- what the database says

def question_rows(program):
    rows = program.query("SELECT ID_OTAZKA, ID_OKRUH, OTAZKA, ID_PICT, AA, BB FROM OTAZKA")
    return {r[0]: {"id": r[0], "group": r[1], "text": norm(r[2]), "pict": r[3], "aa": (r[4] or "").ljust(4, "0")[:4],
                   "points": r[5]} for r in rows}


def by_text(questions):
    out = {}
    for q in questions.values():
        check(q["text"] not in out, f"two questions of the bank read {q['text']!r}: the suite cannot tell them apart")
        out[q["text"]] = q
    return out


def stored_test(program, number, type_id=1):
    (test_id,) = program.query("SELECT ID_TEST FROM TEST WHERE ID_TYPTEST=? AND PORADI=?", (type_id, number))[0]
    ids = [r[0] for r in program.query("SELECT ID_OTAZKA FROM TESTOTAZ WHERE ID_TEST=? ORDER BY PORADI", (test_id,))]
    return test_id, ids


def stored_test_facts(program, number):
    """A stored live test's id and question order, the bank's questions (by id and by text) and
    the administrator's row."""
    test_id, order = stored_test(program, number)
    questions = question_rows(program)
    return test_id, order, questions, by_text(questions), pupil(program, ADMIN_RC)


def pupil(program, rc):
    rows = program.query("SELECT ID_ZAK, RC, HESLO, PRIJMENI, JMENO, TITUL, RP, ADRESA, TELEFON FROM ZAK WHERE RC=?", (rc,))
    if not rows:
        return None
    keys = ("id", "rc", "password", "surname", "first", "title", "category", "address", "phone")
    return dict(zip(keys, rows[0]))


def full_name(p):
    return f"{(p['title'] or '').strip()} {(p['first'] or '').strip()} {(p['surname'] or '').strip()}"


def register_as_admin(r, program, admin):
    """Starts the program, signs the administrator in and opens the pupil register: the program,
    the main window's user line and the register window."""
    app = r.start(program)
    app.sign_in(ADMIN_PASSWORD)
    label = user_line(admin)
    app.expect_main(label)
    app.command("Evidence žáků")
    return app, label, app.proc.window(title=REGISTER, what="the pupil register")


def user_line(p):
    return "Uživatel: " + full_name(p)


def letters(pattern):
    return "".join("abcd"[i] for i, c in enumerate(pattern[:4]) if c == "1")


def wrong_pattern(aa):
    """Ticks that differ from the correct ones: the first answer flipped."""
    return ("0" if aa[0] == "1" else "1") + aa[1:]


def now_local():
    return datetime.datetime.now().replace(microsecond=0)


# ---------------------------------------------------------------- walking a test

def answer_test(app, tw, questions_by_text, plan, by_keys=True, expect_order=None):
    """Walks a test from its first question to its last, ticking what `plan(question, ordinal)`
    returns (None leaves the question untouched). Returns the questions seen, in order."""
    total = tw.total()
    check(total and total > 0, f"the test window shows no question count (saw {tw.total()!r})")
    tw.wait_question(1)
    seen = []
    for ordinal in range(1, total + 1):
        text = tw.question_text()
        q = questions_by_text.get(text)
        check(q is not None, f"question {ordinal} shows a text that is not in the database: {text!r}")
        if expect_order is not None:
            check(q["id"] == expect_order[ordinal - 1],
                  f"question {ordinal} is question {q['id']}, the stored test has {expect_order[ordinal - 1]} there")
        shown_points = tw.points()
        check(shown_points == q["points"], f"question {q['id']} shows {shown_points} body, the database gives {q['points']}")
        seen.append(q)
        pattern = plan(q, ordinal)
        if pattern is not None:
            (tw.tick_by_keys if by_keys else tw.tick_by_action)(pattern)
        if ordinal < total:
            tw.next(by_key=by_keys)
    return seen


def expected_report(name, category, caption, lines, gained, total):
    return ([name, "   ", "   Oprávnění : " + category, None, "   Typ a číslo testu : " + caption, "   ",
             "   Otázka  Odpověď  Správná  Počet", "    číslo     žáka  odpověď   bodů",
             "   -------------------------------"] + lines +
            ["   -------------------------------", "               Celkem :%4d   %4d" % (gained, total)])


def check_report(shown_lines, expected):
    check(len(shown_lines) >= len(expected),
          f"the report has {len(shown_lines)} lines, {len(expected)} expected:\n" + "\n".join(shown_lines))
    for i, want in enumerate(expected):
        got = shown_lines[i]
        if want is None:
            check(got.startswith("   Datum a čas testu : "), f"report line {i + 1} is {got!r}, not the date line")
        else:
            check(got == want, f"report line {i + 1} is {got!r}, expected {want!r}")
    rest = [l for l in shown_lines[len(expected):] if l.strip()]
    check(not rest, f"the report goes on after its total line: {rest!r}")


def evaluation_line(ordinal, ticked, aa, points):
    fmt = "      %3d     %4s     %4s     %2d" if ticked[:4] == aa[:4] else "    * %3d     %4s     %4s     %2d"
    return fmt % (ordinal, letters(ticked), letters(aa), points)


# ================================================================ road 1

@road(1, "sign-in, every command of the main window both ways, Konec")
def road_commands(r):
    program = r.program()

    # A cancelled first sign-in ends the program, by the Storno button and by Esc.
    for how in ("Storno", "Escape"):
        app = r.start(program)
        w = app.sign_in_window()
        check(app.main_window(timeout=5) is not None, "the main window is not on screen behind the sign-in")
        ident = field(w, "Identifikace")
        check(text_of(ident) == ADMIN_RC, f"the sign-in shows {text_of(ident)!r}, not the privileged pupil's {ADMIN_RC!r}")
        check(text_of(field(w, "Heslo")) == "", "the password field is not empty at start-up")
        if how == "Storno":
            press(w, "Storno")
        else:
            app.keys(w, "Escape")
        status = app.proc.wait_exit(20, f"the program to end after the first sign-in was cancelled ({how})")
        check(status == 0, f"the program ended with status {status} after a cancelled sign-in ({how})")

    app = r.start(program)
    app.sign_in(ADMIN_PASSWORD)
    admin = pupil(program, ADMIN_RC)
    label = user_line(admin)
    main = app.expect_main(label, what="the main window after the sign-in")
    version = label_starting(main, "Verze 3.03   Databáze ")
    (db_version,) = program.query("SELECT ConstValue FROM FNKonst WHERE ConstName='VERSION'")[0]
    check(version == "Verze 3.03   Databáze " + db_version, f"the version line is {version!r}")
    for name in ["Prohlížení otázek", "Testy s nápovědou", "Zkušební testy", "Ostré testy", "Chybové testy",
                 "Evidence žáků", "Přihlášení", "Konec"]:
        check(enabled(control(main, name)), f"the command {name!r} is not enabled")

    def cancel_both_ways(command, heading):
        for how in ("Storno", "Escape"):
            app.command(command)
            app.expect_main_hidden(main)
            d = app.dialog_with_heading(heading)
            if how == "Storno":
                press(d, "Storno")
            else:
                app.keys(d, "Escape")
            app.expect_main(label, what=f"the main window after {command!r} closed with {how}")

    def open_with_ok(command, heading):
        """Both cancels of the command's dialog, then the dialog again and its Ok: the test window."""
        cancel_both_ways(command, heading)
        app.command(command)
        press(app.dialog_with_heading(heading), "Ok")
        return app.test_window()

    # Question browsing
    cancel_both_ways("Prohlížení otázek", "Prohlížení skupin otázek")
    app.command("Prohlížení otázek")
    d = app.dialog_with_heading("Prohlížení skupin otázek")
    group = program.query("SELECT OKRUH, ID_OKRUH FROM OKRUHOT ORDER BY PORADI")[0]
    press(d, "Ok")
    tw = app.test_window()
    check(tw.caption_shown("Prohlížení skupin otázek - " + group[0]), "the browsing caption is not shown")
    tw.wait_question(1)
    # "show the right answer at once" is ticked when the program starts: the right answers are
    # ticked and the pupil cannot change them
    q = by_text(question_rows(program)).get(tw.question_text())
    check(q is not None and q["group"] == group[1], f"the first question browsed is {q}, not one of group {group[1]}")
    wait_for(lambda: tw.ticks() == q["aa"], 10, f"browsing to tick the right answers {q['aa']}")
    check(not any(a[2] for a in tw.answers()), "the answers can be ticked while browsing with the right answers shown")
    tw.close_with_confirmation("Opravdu chcete ukončit prohlížení otázek ?", by_key=True)
    app.expect_main(label, what="the main window after browsing")

    # Test with hints: a refused confirmation keeps the window, a given one closes it
    tw = open_with_ok("Testy s nápovědou", "Testy s nápovědou")
    check(tw.caption_shown("Testy s nápovědou - Test číslo 1"), "the caption of the test with hints is not shown")
    tw.wait_question(1)
    press(tw.win, "Ok")
    app.answer_message("Opravdu chcete ukončit test s nápovědou ?", "Ne")
    check(showing(tw.win), "the test window closed although its confirmation was refused")
    tw.close_with_confirmation("Opravdu chcete ukončit test s nápovědou ?", by_key=True)
    app.expect_main(label, what="the main window after the test with hints")

    # Practice test, left without an answer: scored, not reviewed
    tw = open_with_ok("Zkušební testy", "Zkušební testy")
    tw.wait_question(1)
    total_points = sum(q["points"] for q in question_rows(program).values()
                       if q["id"] in stored_test(program, 1)[1])
    tw.close_with_confirmation("Opravdu chcete ukončit zkušební test ?", by_key=True)
    app.answer_message(f"Získal jste 0 bodů z {total_points} . Prohlédnout ?", "Ne")
    app.expect_main(label, what="the main window after the practice test")

    # Live test, left without an answer
    tw = open_with_ok("Ostré testy", "Ostré testy")
    tw.wait_question(1)
    tw.close_with_confirmation("Opravdu chcete ukončit test ?")
    res = app.proc.window(title=RESULT, timeout=20, what="the result of the live test")
    check(has_label(res, "Neprošel. "), "the result of an unanswered live test does not say 'Neprošel. '")
    press(res, "Ne")
    app.expect_main(label, what="the main window after the live test")

    # Error test: the practice test above left its stored test among the pupil's error tests
    tw = open_with_ok("Chybové testy", "Chybové testy")
    check(tw.caption_shown("Chybové testy - Test cislo 1"), "the caption of the stored error test is not shown")
    tw.wait_question(1)
    tw.close_with_confirmation("Opravdu chcete ukončit chybový test ?", by_key=True)
    app.answer_message(f"Získal jste 0 bodů z {total_points} . Prohlédnout ?", "Ne")
    app.expect_main(label, what="the main window after the error test")

    # The pupil register: Ok and Esc
    for how in ("Ok", "Escape"):
        app.command("Evidence žáků")
        app.expect_main_hidden(main)
        reg = app.proc.window(title=REGISTER, what="the pupil register")
        if how == "Ok":
            press(reg, "Ok")
        else:
            app.keys(reg, "Escape")
        app.expect_main(label, what=f"the main window after the register closed with {how}")

    # Sign-in again: the main window stays on screen; Storno, Esc, and Ok as the same pupil
    for how in ("Storno", "Escape", "Ok"):
        app.command("Přihlášení")
        w = app.sign_in_window()
        check(showing(main), "the main window hid behind the sign-in of the command Přihlášení")
        check(text_of(field(w, "Identifikace")) == ADMIN_RC, "the sign-in does not offer the current pupil")
        if how == "Storno":
            press(w, "Storno")
        elif how == "Escape":
            app.keys(w, "Escape")
        else:
            app.sign_in(ADMIN_PASSWORD, window=w)
        app.proc.gone(w, what=f"the sign-in to close with {how}")
        app.expect_main(label, what=f"the main window after the sign-in closed with {how}")

    app.end_with_konec()


# ================================================================ road 2

@road(2, "a stored live test answered without fault")
def road_live_perfect(r):
    program = r.program()
    test_id, order = stored_test(program, 1)
    questions = question_rows(program)
    total = sum(questions[i]["points"] for i in order)
    # The pupil once failed this test and two of its questions, and one question outside it;
    # the pass minimum is exactly the test's total.
    admin = pupil(program, ADMIN_RC)
    pid = admin["id"]
    outside = next(i for i in sorted(questions) if i not in order)
    program.execute("INSERT INTO ZAKTEST (ID_ZAK, ID_TEST) VALUES (?, ?)", (pid, test_id))
    for qid in (order[0], order[3], outside):
        program.execute("INSERT INTO ZAKODP (ID_ZAK, ID_OTAZKA, ZAK_ODP) VALUES (?, ?, '0000')", (pid, qid))
    program.execute("UPDATE RP SET MINIMUM=? WHERE RP=?", (total, admin["category"]))
    statis_before = program.query("SELECT COUNT(*) FROM STATIS")[0][0]

    app = r.start(program)
    app.sign_in(ADMIN_PASSWORD)
    label = user_line(admin)
    main = app.expect_main(label)
    started = now_local()

    app.command("Ostré testy")
    d = app.dialog_with_heading("Ostré testy")
    (minutes,) = program.query("SELECT ConstValue FROM FNKonst WHERE ConstName='TESTTIMEOUT'")[0]
    check(text_of(field(d, "Minuty")) == minutes, f"the live-test limit shows {text_of(field(d, 'Minuty'))!r}, not {minutes!r}")
    select_cell(app.display, d, "Název testu", "1")
    press(d, "Ok")
    tw = app.test_window()
    caption = "Ostré testy - Test číslo 1"
    check(tw.caption_shown(caption), f"the test window does not show the caption {caption!r}")
    check(tw.total() == len(order), f"the test shows {tw.total()} questions, the stored test has {len(order)}")
    check(tw.unanswered() == len(order), f"unanswered count {tw.unanswered()} at the start, not {len(order)}")

    seen = answer_test(app, tw, by_text(questions), lambda q, n: q["aa"], by_keys=True, expect_order=order)
    wait_for(lambda: tw.unanswered() == 0, 10, "the unanswered count to reach 0")
    tw.close_with_confirmation("Opravdu chcete ukončit test ?")

    res = app.proc.window(title=RESULT, timeout=20, what="the result of the live test")
    check(has_label(res, "Prošel. "), "the result window does not say 'Prošel. '")
    check(has_label(res, f"Gratulujeme. Získal jste {total} bodů z {total} ."), "the result window does not congratulate")
    check(not find_all(res, "push button", "Ano"), "a perfect live test offers a review (Ano is on screen)")
    report = text_of(control(res, "Report testu", "text"))
    lines = report.replace("\r\n", "\n").split("\n")
    evaluation = [evaluation_line(n, q["aa"], q["aa"], q["points"]) for n, q in enumerate(seen, 1)]
    expected = expected_report(full_name(admin), admin["category"][0], caption, evaluation + ["", "Prošel. "],
                               total, total)
    check_report(lines, expected)
    press(res, "Ok")
    app.expect_main(label, what="the main window after the live test")
    ended = now_local()

    rows = program.query("SELECT ID_ZAK, ID_TEST, PTOTAL, PCURRENT, TEST_NAME, REPORT, DATETIME FROM STATIS "
                         "ORDER BY ID_STATIS")
    check(len(rows) == statis_before + 1, f"{len(rows) - statis_before} reports were stored, not one")
    zak, tid, ptotal, pcurrent, name, stored_report, when = rows[-1]
    check((zak, tid, ptotal, pcurrent, name) == (pid, test_id, total, total, caption),
          f"the stored report row is {(zak, tid, ptotal, pcurrent, name)}")
    stored_lines = stored_report.split("\r\n")
    check(stored_lines[-1] == "" and "\n" not in stored_report.replace("\r\n", ""),
          "the stored report's lines do not each end with CR LF")
    shown = list(lines)
    while shown and shown[-1] == "":
        shown.pop()
    check(stored_lines[:-1] == shown, "the stored report differs from the one shown")
    stamp = datetime.datetime.fromisoformat(str(when).replace("T", " ")[:19])
    check(started - datetime.timedelta(seconds=5) <= stamp <= ended + datetime.timedelta(seconds=5),
          f"the report's time {stamp} is not the time of the test ({started} to {ended})")
    check(program.query("SELECT * FROM ZAKTEST WHERE ID_ZAK=?", (pid,)) == [],
          "the test passed without fault is still among the pupil's error tests (ZAKTEST)")
    left = sorted(r[0] for r in program.query("SELECT ID_OTAZKA FROM ZAKODP WHERE ID_ZAK=?", (pid,)))
    check(left == [outside], f"the pupil's wrong answers (ZAKODP) are {left}, expected only question {outside}")
    app.end_with_konec(main)


# ================================================================ road 3

@road(3, "a practice test with wrong answers, its review, and error tests from them")
def road_practice_review_errors(r):
    program = r.program()
    test_id, order, questions, texts, admin = stored_test_facts(program, 2)
    pid = admin["id"]
    counts = dict(program.query("SELECT ID_OKRUH, Pocet FROM OKRUHOT"))
    # Wrong answers at the 1st, 4th and 7th question (the 7th left untouched), in groups whose
    # counts take them all, so that a random error test without top-up is exactly these.
    wrong_at = {1, 4, 7}
    wrong_ids = [order[i - 1] for i in sorted(wrong_at)]
    per_group = {}
    for qid in wrong_ids:
        per_group[questions[qid]["group"]] = per_group.get(questions[qid]["group"], 0) + 1
    check(all(n <= (counts[g] or 0) for g, n in per_group.items()), "the test bank changed: the plan no longer fits")

    ticks = {}

    def plan(q, n):
        if n == 7:
            ticks[q["id"]] = ""
            return None
        p = wrong_pattern(q["aa"]) if n in wrong_at else q["aa"]
        ticks[q["id"]] = p
        return p

    app = r.start(program)
    app.sign_in(ADMIN_PASSWORD)
    label = user_line(admin)
    app.expect_main(label)

    app.command("Zkušební testy")
    d = app.dialog_with_heading("Zkušební testy")
    select_cell(app.display, d, "Název testu", "2")
    press(d, "Ok")
    tw = app.test_window()
    check(tw.caption_shown("Zkušební testy - Test číslo 2"), "the practice test's caption is not shown")
    hint = control(tw.win, "Správné odpovědi")
    check(not enabled(hint), "the '?' (correct answers) button is enabled in a practice test")
    seen = answer_test(app, tw, texts, plan, by_keys=False, expect_order=order)
    check(tw.unanswered() == 1, f"the unanswered count is {tw.unanswered()} with one question left untouched")
    total = sum(q["points"] for q in seen)
    gained = sum(q["points"] for q in seen if q["id"] not in wrong_ids)
    tw.close_with_confirmation("Opravdu chcete ukončit zkušební test ?")
    app.answer_message(f"Získal jste {gained} bodů z {total} . Prohlédnout ?", "Ano")

    # The review: only the wrong answers, in their order, with the pupil's ticks, not changeable
    wait_for(lambda: tw.total() == len(wrong_ids), 10, f"the review to count {len(wrong_ids)} questions")
    tw.wait_question(1)
    check(tw.unanswered() == 0, f"the review shows {tw.unanswered()} unanswered questions, not 0")
    check(enabled(hint), "the '?' (correct answers) button is disabled in the review")
    for n, qid in enumerate(wrong_ids, 1):
        text = tw.question_text()
        check(texts.get(text, {}).get("id") == qid,
              f"review question {n} is {text!r}, expected question {qid} ({questions[qid]['text']!r})")
        want = ticks[qid] or "0000"
        check(tw.ticks() == want, f"review question {n} shows the ticks {tw.ticks()}, the pupil ticked {want}")
        check(not any(a[2] for a in tw.answers()), "the answers can be changed in the review")
        if n < len(wrong_ids):
            tw.next()
    tw.close_with_confirmation("Opravdu chcete ukončit prohlížení otázek ?")
    app.expect_main(label, what="the main window after the review")

    stored = {q: a for q, a in program.query("SELECT ID_OTAZKA, ZAK_ODP FROM ZAKODP WHERE ID_ZAK=?", (pid,))}
    check(sorted(stored) == sorted(wrong_ids), f"the wrong answers stored (ZAKODP) are {sorted(stored)}, not {sorted(wrong_ids)}")
    for qid in wrong_ids:
        want = ticks[qid]
        check((stored[qid] or "") == want, f"ZAKODP keeps {stored[qid]!r} for question {qid}, the pupil ticked {want!r}")
    check(program.query("SELECT ID_TEST FROM ZAKTEST WHERE ID_ZAK=?", (pid,)) == [(test_id,)],
          "the failed stored test is not recorded (ZAKTEST) exactly once")
    check(program.query("SELECT COUNT(*) FROM STATIS")[0][0] == 0, "a practice test stored a report")

    # A random error test without top-up: exactly the wrongly answered questions
    app.command("Chybové testy")
    d = app.dialog_with_heading("Chybové testy")
    press(d, "Nahodně vygenerovaný test", "page tab")
    box = control(d, "Doplňovat test nechybovými otázkami", "check box")
    if has_state(box, "checked"):
        do_action(box, ("Toggle", "Press"))
        wait_for(lambda: not has_state(box, "checked"), 10, "the top-up box to be unticked")
    press(d, "Ok")
    tw = app.test_window()
    check(tw.caption_shown("Chybové testy - Nahodně vygenerovaný test"), "the random error test's caption is not shown")
    seen = answer_test(app, tw, texts, lambda q, n: q["aa"], by_keys=True)
    check(sorted(q["id"] for q in seen) == sorted(wrong_ids),
          f"the random error test holds {sorted(q['id'] for q in seen)}, not the wrong answers {sorted(wrong_ids)}")
    points = sum(q["points"] for q in seen)
    tw.close_with_confirmation("Opravdu chcete ukončit chybový test ?")
    app.answer_message(f"Gratulujeme. Získal jste {points} bodů z {points} .", "Ok")
    app.expect_main(label, what="the main window after the random error test")
    check(program.query("SELECT * FROM ZAKODP WHERE ID_ZAK=?", (pid,)) == [],
          "answering the error questions right did not clear them from ZAKODP")

    # The stored error test: the failed test again, now without fault
    app.command("Chybové testy")
    d = app.dialog_with_heading("Chybové testy")
    select_cell(app.display, d, "Název testu", "2")
    press(d, "Ok")
    tw = app.test_window()
    check(tw.caption_shown("Chybové testy - Test cislo 2"), "the stored error test's caption is not shown")
    seen = answer_test(app, tw, texts, lambda q, n: q["aa"], by_keys=True, expect_order=order)
    tw.close_with_confirmation("Opravdu chcete ukončit chybový test ?")
    app.answer_message(f"Gratulujeme. Získal jste {total} bodů z {total} .", "Ok")
    app.expect_main(label, what="the main window after the stored error test")
    check(program.query("SELECT * FROM ZAKTEST WHERE ID_ZAK=?", (pid,)) == [],
          "the stored test passed without fault is still recorded in ZAKTEST")

    # Nothing is left to repeat: the stored error list is empty and Ok stays disabled
    app.command("Chybové testy")
    d = app.dialog_with_heading("Chybové testy")
    tests_list = control(d, "Název testu", "table")
    wait_for(lambda: not find_all(tests_list, "table cell", "2"), 10, "the stored error list to be empty")
    ok = control(d, "Ok")
    check(not enabled(ok), "Ok is enabled over an empty list of stored error tests")
    press(d, "Storno")
    app.end_with_konec(app.expect_main(label))


# ================================================================ road 4

@road(4, "a random live test ended by its countdown")
def road_countdown(r):
    program = r.program()
    program.set_const("TESTTIMEOUT", 1)
    questions = question_rows(program)
    texts = by_text(questions)
    admin = pupil(program, ADMIN_RC)
    pid = admin["id"]

    app = r.start(program)
    app.sign_in(ADMIN_PASSWORD)
    label = user_line(admin)
    app.expect_main(label)
    app.command("Ostré testy")
    d = app.dialog_with_heading("Ostré testy")
    check(text_of(field(d, "Minuty")) == "1", f"the live-test limit shows {text_of(field(d, 'Minuty'))!r}, not 1")
    press(d, "Náhodně vygenerovaný test", "page tab")
    press(d, "Ok")
    tw = app.test_window()
    shown_at = time.monotonic()
    caption = "Ostré testy - Náhodně vygenerovaný test"
    check(tw.caption_shown(caption), "the random live test's caption is not shown")
    tw.wait_question(1)
    first = texts.get(tw.question_text())
    check(first is not None, "the first question is not in the database")
    tw.tick_by_keys(first["aa"])
    count = tw.total()

    panel = app.proc.window(title="Info", containing=lambda w: label_starting(w, "Do konce testu zbývá ") is not None,
                            what="the countdown panel")
    remaining = label_starting(panel, "Do konce testu zbývá ")
    m = re.fullmatch(r"Do konce testu zbývá (\d+):(\d\d)", remaining)
    check(m and 0 < int(m.group(1)) * 60 + int(m.group(2)) <= 60, f"the countdown starts at {remaining!r}")

    def times(prefix):
        names = [a.name for a in find_all(panel, "label")]
        i = names.index(prefix)
        return datetime.datetime.strptime(names[i + 1], "%H:%M:%S")
    span = (times("Konec testu :") - times("Začátek testu :")).total_seconds() % 86400
    check(span == 60, f"the panel's start and end times are {span} s apart, not 60")

    def probe():
        for w in app.proc.windows():
            if find_all(w, "label", "Opravdu chcete ukončit test ?"):
                raise RoadFailure("the countdown's end asked for a confirmation")
        for w in app.proc.windows():
            if w.name == RESULT:
                return w
        return None
    res = wait_for(probe, 100, "the result of the live test when its time is up")
    elapsed = time.monotonic() - shown_at
    check(55 <= elapsed <= 80, f"the test ended {elapsed:.0f} s after it appeared, not when its minute was up")
    check(find_all(panel, "label", "Čas testu vypršel"), "the panel does not say 'Čas testu vypršel'")
    check(has_label(res, "Neprošel. "), "the result of a nearly unanswered test does not say 'Neprošel. '")
    msg = [a.name for a in find_all(res, "label") if a.name.startswith("Získal jste ")]
    check(msg, "the result window shows no score")
    mm = re.fullmatch(r"Získal jste (\d+) bodů z (\d+) \. Prohlédnout \?", msg[0])
    check(mm and int(mm.group(1)) == first["points"], f"the score is {msg[0]!r}; one question of {first['points']} points was right")
    press(res, "Ne")
    app.expect_main(label, what="the main window after the timed-out test")

    rows = program.query("SELECT ID_ZAK, ID_TEST, PCURRENT, PTOTAL, TEST_NAME FROM STATIS")
    check(rows == [(pid, 0, first["points"], int(mm.group(2)), caption)], f"the stored reports are {rows}")
    check(program.query("SELECT * FROM ZAKTEST") == [], "a random test was recorded in ZAKTEST")
    wrong = program.query("SELECT COUNT(*) FROM ZAKODP WHERE ID_ZAK=?", (pid,))[0][0]
    check(wrong == count - 1, f"{wrong} wrong answers stored, the test had {count} questions and one right")
    app.end_with_konec()


# ================================================================ road 5

@road(5, "the pupil register: add, edit, delete; another pupil's own record")
def road_register(r):
    program = r.program()
    admin = pupil(program, ADMIN_RC)
    # another pupil who signs in later and edits the own record
    program.execute("INSERT INTO ZAK (RC, HESLO, PRIJMENI, JMENO, TITUL, RP, ADRESA, TELEFON) "
                    "VALUES ('svoboda', 'kolo', 'Svoboda', 'Petr', '', 'A', 'Olomouc', '')")
    other = pupil(program, "svoboda")

    app = r.start(program)
    app.sign_in(ADMIN_PASSWORD)
    label = user_line(admin)
    main = app.expect_main(label)

    app.command("Evidence žáků")
    app.expect_main_hidden(main)
    reg = app.proc.window(title=REGISTER, what="the pupil register")
    grid = control(reg, "Seznam žáků", "table")
    select_cell(app.display, reg, "Seznam žáků", ADMIN_RC)
    check(not enabled(control(reg, "Vymazat")), "Vymazat is enabled on the privileged pupil")

    # Add
    new = {"Identifikace": "novak", "Heslo": "jezdec", "Příjmení": "Novák", "Jméno": "Jan", "Titul": "Ing.",
           "Adresa": "Brno, Masarykova 1", "Telefon": "602 123 456"}
    press(reg, "Přidat")
    rec = app.proc.window(title=RECORD, what="the pupil record")
    for name in new:
        check(text_of(field(rec, name)) == "", f"the new pupil's {name} is not empty")
    for name, value in new.items():
        set_text(field(rec, name), value)
    select_cell(app.display, rec, "Řidičské oprávnění", "C")
    save_record(app, rec)
    stored = pupil(program, "novak")
    check(stored is not None, "the new pupil was not stored")
    check((stored["password"], stored["surname"], stored["first"], stored["title"], stored["category"],
           stored["address"], stored["phone"]) ==
          ("jezdec", "Novák", "Jan", "Ing.", "C", "Brno, Masarykova 1", "602 123 456"),
          f"the new pupil was stored as {stored}")
    wait_for(lambda: find_all(grid, "table cell", "novak"), 10, "the new pupil in the register's list")

    # Edit, once cancelled and once saved
    select_cell(app.display, reg, "Seznam žáků", "novak")
    check(enabled(control(reg, "Vymazat")), "Vymazat is disabled on an ordinary pupil")
    press(reg, "Opravit")
    rec = app.proc.window(title=RECORD, what="the pupil record")
    for name, value in new.items():
        check(text_of(field(rec, name)) == value, f"the record shows {name} {text_of(field(rec, name))!r}, stored {value!r}")
    set_text(field(rec, "Adresa"), "Praha")
    press(rec, "Storno")
    app.proc.gone(rec, what="the record to close with Storno")
    check(pupil(program, "novak")["address"] == "Brno, Masarykova 1", "Storno changed the stored address")

    select_cell(app.display, reg, "Seznam žáků", "novak")
    press(reg, "Opravit")
    rec = app.proc.window(title=RECORD, what="the pupil record")
    set_text(field(rec, "Příjmení"), "Nováček")
    set_text(field(rec, "Telefon"), "777 888 999")
    save_record(app, rec)
    stored = pupil(program, "novak")
    check((stored["surname"], stored["phone"], stored["first"]) == ("Nováček", "777 888 999", "Jan"),
          f"the edited pupil was stored as {stored}")

    # Delete: Esc declines, Ok confirms
    select_cell(app.display, reg, "Seznam žáků", "novak")
    question = "Opravdu chcete vymazat uživatele 'Ing. Nováček Jan '"
    press(reg, "Vymazat")
    m = app.message(question)
    app.keys(m, "Escape")
    app.message_gone(question)
    check(pupil(program, "novak") is not None, "Esc on the delete question deleted the pupil")
    press(reg, "Vymazat")
    app.answer_message(question, "Ok")
    wait_for(lambda: pupil(program, "novak") is None, 10, "the pupil to be deleted from the database")
    press(reg, "Ok")
    app.expect_main(label, what="the main window after the register")

    # Another pupil signs in; the same command opens only the own record
    app.command("Přihlášení")
    w = app.sign_in_window()
    app.sign_in(other["password"], rc=other["rc"], window=w)
    label = user_line(other)
    app.expect_main(label, what="the main window after signing in as another pupil")
    app.command("Evidence žáků")
    rec = app.proc.window(title=RECORD, what="the own record")
    check(not find_all(app.proc.app(), "dialog", REGISTER), "the register opened for an ordinary pupil")
    check(text_of(field(rec, "Identifikace")) == other["rc"], "the own record shows another pupil")
    check(not enabled(control(rec, "Vymazat")), "an ordinary pupil may delete reports")
    set_text(field(rec, "Jméno"), "Petr Pavel")
    set_text(field(rec, "Telefon"), "608 000 111")
    save_record(app, rec)
    stored = pupil(program, "svoboda")
    check((stored["first"], stored["phone"], stored["address"]) == ("Petr Pavel", "608 000 111", "Olomouc"),
          f"the own record was stored as {stored}")
    app.end_with_konec(app.expect_main(user_line(stored), what="the main window with the pupil's new name"))


def save_record(app, rec):
    """Ok on the pupil record; a refusal shows as a message, which fails the road with its text."""
    press(rec, "Ok")

    def probe():
        for w in app.proc.windows():
            if w.name == "Systémové hlášení :":
                texts = [a.name for a in find_all(w, "label") if a.name and a.name != "Systémové hlášení :"]
                raise RoadFailure(f"the pupil record refused Ok: {texts}")
        return not showing(rec)
    wait_for(probe, 15, "the pupil record to close after Ok")


# ================================================================ road 6

@road(6, "the enlarged picture shows the question's picture")
def road_zoom(r):
    from PIL import Image, ImageChops, ImageStat
    program = r.program()
    questions = question_rows(program)
    texts = by_text(questions)
    admin = pupil(program, ADMIN_RC)
    (group_name,) = program.query("SELECT OKRUH FROM OKRUHOT WHERE ID_OKRUH=4")[0]

    app = r.start(program)
    app.sign_in(ADMIN_PASSWORD)
    label = user_line(admin)
    app.expect_main(label)
    app.command("Prohlížení otázek")
    d = app.dialog_with_heading("Prohlížení skupin otázek")
    select_cell(app.display, d, "Skupiny otázek", group_name)
    press(d, "Ok")
    tw = app.test_window()
    tw.wait_question(1)
    q = texts.get(tw.question_text())
    check(q is not None and q["group"] == 4 and q["pict"], f"the first question of the group is {q}")
    (blob,) = program.query("SELECT BMP FROM BMP WHERE ID_PICT=?", (q["pict"],))[0]
    picture = Image.open(io.BytesIO(blob)).convert("RGB")

    pictures = [a for a in find_all(tw.win, "image", "Obrázek k otázce")]
    check(pictures, "the test window shows no picture")
    small = min(pictures, key=lambda a: extents(a)[2] * extents(a)[3])
    click_control(app.display, small)
    zoom = app.proc.window(title=ZOOM, what="the enlarged picture window")
    wait_for(lambda: has_state(zoom, "active"), 10, "the enlarged picture to become the active window")
    wx, wy, ww, wh = extents(zoom)
    pw, ph = picture.size
    ix = wx + int((460 - pw) / 2) + 40
    iy = wy + int((230 - ph) / 2) + 30
    # the picture's area on screen: the window's 460 x 230 picture area where the picture covers it
    left, top = max(wx + 40, ix), max(wy + 30, iy)
    right, bottom = min(wx + 500, ix + pw), min(wy + 260, iy + ph)
    check(right - left > 50 and bottom - top > 50, "the picture would not be in the window's picture area")
    expected = picture.crop((left - ix, top - iy, right - ix, bottom - iy))

    last = {}

    def matches():
        shot = r.screenshot()
        seen = shot.crop((left, top, right, bottom))
        diff = ImageStat.Stat(ImageChops.difference(seen, expected)).mean
        last["diff"] = sum(diff) / 3
        last["shot"] = shot
        return last["diff"] < 6
    try:
        wait_for(matches, 10, "the enlarged picture window to show the question's picture")
    except RoadFailure:
        path = os.path.join(r.dir, "zoom-seen.png")
        last["shot"].crop((wx, wy, wx + ww, wy + wh)).save(path)
        picture.save(os.path.join(r.dir, "zoom-expected.png"))
        raise RoadFailure(f"the enlarged picture window does not show question {q['id']}'s picture: mean "
                          f"difference {last['diff']:.1f} of 255 over its picture area (seen: {path}, "
                          f"expected: zoom-expected.png)")

    print(f"  the enlarged picture differs from question {q['id']}'s picture by {last['diff']:.1f} of 255 on average")
    # a click on the picture closes the window
    click_control(app.display, control(zoom, ZOOM, "image"))
    app.proc.gone(zoom, what="the enlarged picture to close after a click on it")
    tw.close_with_confirmation("Opravdu chcete ukončit prohlížení otázek ?", by_key=True)
    app.end_with_konec(app.expect_main(label))


# ================================================================ road 7

PRINT_PACKAGES = ["cups", "printer-driver-cups-pdf", "poppler-utils"]
QUEUE = "FerdanoE2E"


def missing_packages(names):
    out = []
    for n in names:
        r = subprocess.run(["dpkg-query", "-W", "-f=${Status}", n], capture_output=True, text=True)
        if "install ok installed" not in r.stdout:
            out.append(n)
    return out


def cups_pdf_dirs():
    """Where cups-pdf writes: its Out folder for this user, and its folder for anonymous jobs."""
    out_dir, anon_dir = "${HOME}/PDF", "/var/spool/cups-pdf/ANONYMOUS"
    try:
        with open("/etc/cups/cups-pdf.conf") as f:
            for line in f:
                parts = line.split(None, 1)
                if len(parts) == 2 and parts[0] == "Out":
                    out_dir = parts[1].strip()
                elif len(parts) == 2 and parts[0] == "AnonDirName":
                    anon_dir = parts[1].strip()
    except OSError:
        pass
    user = pwd.getpwuid(os.getuid())
    return [out_dir.replace("${HOME}", user.pw_dir).replace("${USER}", user.pw_name), anon_dir]


def pdfs(dirs):
    out = {}
    for d in dirs:
        for f in glob.glob(os.path.join(d, "*.pdf")):
            out[f] = os.path.getmtime(f)
    return out


def scheduler_running():
    out = subprocess.run(["lpstat", "-r"], capture_output=True, text=True).stdout
    return out.strip() == "scheduler is running"


def set_up_cups(r):
    if os.geteuid() != 0:
        raise Skip("not root: a CUPS queue cannot be installed here")
    missing = missing_packages(PRINT_PACKAGES)
    if missing:
        print(f"  installing {' '.join(missing)}", flush=True)
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        subprocess.run(["apt-get", "update", "-qq"], env=env, check=True, capture_output=True)
        res = subprocess.run(["apt-get", "install", "-y", "-qq", *missing], env=env, capture_output=True, text=True)
        if res.returncode != 0:
            raise RoadFailure(f"could not install {missing}: {res.stderr[-800:]}")
    if not scheduler_running():
        cupsd = subprocess.Popen(["cupsd", "-f"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                 start_new_session=True)

        def stop_cupsd():
            cupsd.terminate()
            cupsd.wait(10)
        r.cleanups.append(stop_cupsd)
    wait_for(scheduler_running, 30, "the CUPS scheduler")
    models = subprocess.run(["lpinfo", "-m"], capture_output=True, text=True).stdout.splitlines()
    model = next((m.split()[0] for m in models if "CUPS-PDF_opt.ppd" in m or "CUPS-PDF_noopt.ppd" in m), None)
    check(model, "cups-pdf's printer model is not known to CUPS")
    previous = subprocess.run(["lpstat", "-d"], capture_output=True, text=True).stdout
    previous = previous.split(":", 1)[1].strip() if ":" in previous and "no system default" not in previous else None
    for cmd in (["lpadmin", "-p", QUEUE, "-E", "-v", "cups-pdf:/", "-m", model], ["lpadmin", "-d", QUEUE],
                ["lpoptions", "-d", QUEUE]):
        res = subprocess.run(cmd, capture_output=True, text=True)
        check(res.returncode == 0, f"{' '.join(cmd)} failed: {res.stderr}")

    def remove_queue():
        subprocess.run(["lpadmin", "-x", QUEUE], capture_output=True)
        if previous and previous != QUEUE:
            subprocess.run(["lpadmin", "-d", previous], capture_output=True)
            subprocess.run(["lpoptions", "-d", previous], capture_output=True)
    r.cleanups.append(remove_queue)
    out = subprocess.run(["lpstat", "-d"], capture_output=True, text=True).stdout
    check(QUEUE in out, f"the queue {QUEUE} is not the default destination: {out!r}")


def wait_job_done(pdf):
    """cups-pdf writes the file while the job runs: waits for the queue to be empty and the file
    to be a whole PDF."""
    def done():
        pending = subprocess.run(["lpstat", "-o", QUEUE], capture_output=True, text=True).stdout.strip()
        return not pending and subprocess.run(["pdfinfo", pdf], capture_output=True).returncode == 0
    wait_for(done, 60, f"the print job that writes {pdf} to end")


def render(pdf, stem):
    subprocess.run(["pdftoppm", "-r", "60", "-gray", pdf, stem], check=True, capture_output=True)
    pages = sorted(glob.glob(stem + "*.pgm"))
    check(pages, f"{pdf} has no page")
    return [open(p, "rb").read() for p in pages]


@road(7, "printing a report into a real CUPS queue")
def road_print(r):
    set_up_cups(r)
    program = r.program()
    admin = pupil(program, ADMIN_RC)
    report = [full_name(admin), "   ", "   Oprávnění : B", "   Datum a čas testu : 05.01.2026 10:00:00",
              "   Typ a číslo testu : Ostré testy - Test číslo 1", "   ", "   Otázka  Odpověď  Správná  Počet",
              "    číslo     žáka  odpověď   bodů", "   -------------------------------",
              "        1        c        c      3", "    *   2        a        d      2", "",
              "      Neprošel. ", "   -------------------------------", "               Celkem :  16     18"]
    program.execute("INSERT INTO STATIS (ID_ZAK, ID_TEST, DATETIME, PTOTAL, PCURRENT, REPORT, TEST_NAME) "
                    "VALUES (?, 1, '2026-01-05 10:00:00', 18, 16, ?, 'Ostré testy - Test číslo 1')",
                    (admin["id"], "".join(l + "\r\n" for l in report)))
    dirs = cups_pdf_dirs()
    before = pdfs(dirs)
    # whatever this road printed goes again, also when it fails
    r.cleanups.append(lambda: [os.remove(f) for f in pdfs(dirs) if f not in before])

    app, label, reg = register_as_admin(r, program, admin)
    select_cell(app.display, reg, "Seznam žáků", ADMIN_RC)
    press(reg, "Opravit")
    rec = app.proc.window(title=RECORD, what="the pupil record")
    memo = control(rec, "Text reportu", "text")
    wait_for(lambda: text_of(memo).rstrip("\n").split("\n") == report, 10, "the report in the record")
    press(rec, "Tisknout")
    dialog = app.proc.window(containing=lambda w: w.name != RECORD and bool(find_all(w, "push button", "Tisk")),
                             what="the print dialog")
    press(dialog, "Tisk")
    app.proc.gone(dialog, what="the print dialog to close")

    def new_pdf():
        now = pdfs(dirs)
        fresh = [f for f in now if f not in before and re.match(r"\d+", os.path.basename(f))]
        return fresh[0] if fresh else None
    printed = wait_for(new_pdf, 90, f"a PDF from the program's print job in {dirs}")
    wait_job_done(printed)
    wait_for(lambda: not glob.glob(os.path.join(program.cwd, "*.txt")), 20, "the print file to be removed")
    press(rec, "Storno")
    app.proc.gone(rec)
    press(reg, "Ok")
    app.expect_main(label, what="the main window after printing")

    # The printed report looks exactly like the report sent through the same queue by hand.
    reference_txt = os.path.join(r.dir, "reference.txt")
    with open(reference_txt, "w", encoding="utf-8") as f:
        f.write("".join(l + "\n" for l in report))
    printed_already = pdfs(dirs)
    subprocess.run(["lp", "-d", QUEUE, "-t", "reference", reference_txt], check=True, capture_output=True)
    reference = wait_for(lambda: next((f for f in pdfs(dirs) if f not in printed_already), None), 90,
                         "the reference PDF")
    wait_job_done(reference)
    shutil.copy(printed, os.path.join(r.dir, "printed.pdf"))
    got, want = render(printed, os.path.join(r.dir, "printed")), render(reference, os.path.join(r.dir, "reference"))
    check(got == want, f"the printed PDF ({printed}) does not look like the report (reference: {reference})")
    app.end_with_konec()


# ================================================================ road 8

@road(8, "a second instance: its message is on top, and Enter ends it")
def road_second_instance(r):
    # A window manager keeps the splash's "above the others" state, as on a pupil's desktop.
    # Nothing here types into the first instance: the window manager focuses only what is clicked.
    x = XServer(r.dir, window_manager=True).start()
    r.extra_x.append(x)
    program = r.program(x=x)
    admin = pupil(program, ADMIN_RC)
    first = r.start(program)
    first.sign_in(ADMIN_PASSWORD)
    label = user_line(admin)
    first.expect_main(label)

    second = r.start(program)  # the same installation and the same temporary directory
    alert = second.proc.window(containing=("label", "Ferdano already is runned.."), what="the second instance's message")
    ax, ay, aw, ah = extents(alert)

    def on_top():
        stack = [w for w in client_stacking(x.display) if w["viewable"]]
        if not stack:
            return None
        mine = [i for i, w in enumerate(stack) if w["pid"] == second.proc.pid and w["rect"][2:] == (aw, ah)]
        if not mine:
            return None
        return (mine[-1] == len(stack) - 1, stack, mine[-1])
    wait_for(on_top, 10, "the second instance's message among the managed windows")
    # The window manager takes the windows one by one: the message has to stay on top once the
    # stacking has settled, not merely at one look.
    state = {"since": None, "last_bad": None}

    def settled_on_top():
        seen = on_top()
        if seen and seen[0]:
            state["since"] = state["since"] or time.monotonic()
            return time.monotonic() - state["since"] >= 1.5
        state["since"], state["last_bad"] = None, seen
        return False
    try:
        wait_for(settled_on_top, 12, "the second instance's message to stay the topmost window")
    except RoadFailure:
        _, stack, index = state["last_bad"]
        owner = {first.proc.pid: "first instance", second.proc.pid: "second instance"}
        above = [f"{w['title']!r} of the {owner.get(w['pid'], 'pid %s' % w['pid'])} "
                 f"({' '.join(w['states']) or 'no state'}, {w['rect'][2]}x{w['rect'][3]})" for w in stack[index + 1:]]
        raise RoadFailure(f"the second instance's message is not the topmost window; above it: {above}")
    # the person clicks the message to give it the keyboard, and presses Enter
    click_control(second.display, alert)
    second.keys(alert, "Return")
    status = second.proc.wait_exit(20, "the second instance to end after Enter")
    check(status not in (0, None) and status > 0, f"the second instance ended with status {status}")
    first.expect_main(label, what="the first instance's main window after the second ended")
    first.end_with_konec()


# ================================================================ roads 9 to 11: under faults

def error_box(app, prefix, timeout=30):
    """The program's error message whose text starts with `prefix`."""
    return app.proc.window(containing=lambda w: label_starting(w, prefix) is not None, timeout=timeout,
                           what=f"the message starting {prefix!r}")


def dismiss(app, box):
    """Closes a message with its only button, as a screen reader user does."""
    buttons = [b for b in find_all(box, "push button") if enabled(b)]
    check(len(buttons) >= 1, f"{box.name!r} has no button")
    do_action(buttons[0])
    app.proc.gone(box, what="the message to close")


def start_live_test(app, number=1):
    """From the main window into the stored live test `number`; returns its test window."""
    app.command("Ostré testy")
    d = app.dialog_with_heading("Ostré testy")
    select_cell(app.display, d, "Název testu", str(number))
    press(d, "Ok")
    return app.test_window()


def signed_in_live_test(r, program):
    """Signs the privileged pupil in and opens stored live test 1 with its first answer ticked;
    returns the application, the pupil, the pupil's user line, the main window and the test
    window."""
    admin = pupil(program, ADMIN_RC)
    label = user_line(admin)
    app = r.start(program)
    app.sign_in(ADMIN_PASSWORD)
    main = app.expect_main(label)
    tw = start_live_test(app)
    tw.tick_by_keys("1000")
    return app, admin, label, main, tw


SIGN_IN_TAKEN_OVER = "Chyba: přihlášení žáka na této stanici zaniklo"
DATABASE_REPLACED = "Chyba: databázi mezitím nahradil jiný program"
TEST_NOT_STORED = "Chyba: test se nepodařilo uložit."


@road(9, "the lock file removed under a signed-in station: another station signs the pupil in")
def road_lock_file_removed(r):
    program = r.program()
    statis_before = program.query("SELECT COUNT(*) FROM STATIS")[0][0]
    first, _, label, _, tw = signed_in_live_test(r, program)

    # Someone removes the lock file; a second station (its own temporary directory) then finds the
    # pupil free on the new one and signs in.
    os.remove(os.path.join(program.prog_dir, "DB", "ferdano.lck"))
    other_tmp = os.path.join(r.dir, "tmp-second")
    os.makedirs(other_tmp, exist_ok=True)
    second = Ferdano(program.start(extra_env={"TMPDIR": other_tmp}, label="second station"), first.display)
    second.sign_in(ADMIN_PASSWORD)
    second_main = second.expect_main(label, what="the second station's main window")

    # The first station ends its test: it must not store it under a pupil it no longer holds.
    tw.close_with_confirmation("Opravdu chcete ukončit test ?")
    box = error_box(first, SIGN_IN_TAKEN_OVER)
    dismiss(first, box)
    first.proc.gone(tw.win, what="the test window to close unstored")
    check(program.query("SELECT COUNT(*) FROM STATIS")[0][0] == statis_before,
          "a report was stored by the station that had lost the pupil")
    # ... and asks for a sign-in: the pupil is still the second station's
    w = first.sign_in_window()
    set_text(field(w, "Heslo"), ADMIN_PASSWORD)
    press(w, "Ok")
    first.answer_message("Chyba: Uživatel je již přihlášen ...", "Ok")
    second.end_with_konec(second_main)
    first.sign_in(ADMIN_PASSWORD, window=w)
    main = first.expect_main(label, what="the first station's main window after signing in again")
    first.end_with_konec(main)


@road(10, "the bank imported with --force under a station in a live test")
def road_database_replaced(r):
    program = r.program()
    app, admin, label, main, tw = signed_in_live_test(r, program)

    db_dir = os.path.join(program.prog_dir, "DB")
    refused = subprocess.run([r.suite.dbbuild, "--source", r.suite.bank, db_dir], capture_output=True, text=True)
    check(refused.returncode != 0, "the bank builder replaced the database of a station with a pupil signed in")
    forced = subprocess.run([r.suite.dbbuild, "--source", r.suite.bank, "--force", db_dir], capture_output=True,
                            text=True)
    check(forced.returncode == 0, f"the bank builder with --force failed: {forced.stdout}{forced.stderr}")

    tw.close_with_confirmation("Opravdu chcete ukončit test ?")
    box = error_box(app, DATABASE_REPLACED)
    check(not find_all(box, "label", predicate=lambda a: "jen pro čtení" in (a.name or "")),
          "the message blames a read-only directory")
    dismiss(app, box)
    app.proc.gone(tw.win, what="the test window to close")
    app.expect_main(label, what="the main window after the test that could not be stored")
    app.end_with_konec(main)


class TestServer:
    """A database of its own on the test server that the test command starts (FERDANO_TEST_PG)."""

    def __init__(self, r):
        self.host = os.environ.get("FERDANO_TEST_PG")
        if not self.host:
            raise Skip("no test server (FERDANO_TEST_PG is not set)")
        self.port = os.environ.get("FERDANO_TEST_PG_PORT", "5432")
        self.user = os.environ.get("FERDANO_TEST_PG_USER", "postgres")
        self.psql = shutil.which("psql")
        if not self.psql:
            raise Skip("psql is missing")
        self.name = f"ferdano_e2e_{os.getpid()}_{int(time.time())}"
        self.sql(f"CREATE DATABASE {self.name} ENCODING 'UTF8' TEMPLATE template0", database="postgres")
        r.cleanups.append(lambda: self.sql(f"DROP DATABASE IF EXISTS {self.name} WITH (FORCE)", database="postgres"))

    def sql(self, statement, database=None):
        out = subprocess.run([self.psql, "-h", self.host, "-p", self.port, "-U", self.user, "-d",
                              database or self.name, "-At", "-v", "ON_ERROR_STOP=1", "-c", statement],
                             capture_output=True, text=True, timeout=60)
        check(out.returncode == 0, f"psql failed on {statement!r}: {out.stderr}")
        return [line for line in out.stdout.splitlines() if line]

    def install(self, program, suite):
        """Points the program at this database and loads the test bank into it."""
        conf = os.path.join(program.prog_dir, "DB", "server.conf")
        with open(conf, "w") as f:
            f.write(f"host={self.host}\nport={self.port}\ndatabase={self.name}\nuser={self.user}\n")
        out = subprocess.run([suite.dbbuild, "--source", suite.bank, "--server", conf], capture_output=True, text=True)
        check(out.returncode == 0, f"loading the bank into the server failed: {out.stdout}{out.stderr}")


@road(11, "a frozen database server: the station answers in Czech, and the retried live test is stored once")
def road_frozen_server(r):
    import signal
    server = TestServer(r)
    program = r.program()
    server.install(program, r.suite)
    app, admin, label, main, tw = signed_in_live_test(r, program)

    sessions = server.sql(f"SELECT pid FROM pg_stat_activity WHERE datname = '{server.name}' "
                          "AND application_name = 'ferdano'")
    check(len(sessions) == 1, f"the station has {len(sessions)} sessions on the server, not one")
    backend = int(sessions[0])
    os.kill(backend, signal.SIGSTOP)
    r.cleanups.append(lambda: os.kill(backend, signal.SIGCONT))

    started = time.monotonic()
    tw.close_with_confirmation("Opravdu chcete ukončit test ?")
    box = error_box(app, TEST_NOT_STORED, timeout=45)
    waited = time.monotonic() - started
    check(waited < 30, f"the station answered only after {waited:.0f} s")
    told = label_starting(box, TEST_NOT_STORED) or ""
    check("databázový server" in told, f"the message does not say that the server did not answer: {told!r}")
    r.screenshot(os.path.join(r.dir, "frozen-server-message.png"))
    dismiss(app, box)
    check(showing(tw.win), "the test window closed although its test was not stored")

    # The server's process runs again; the station asked the server to end it, so it goes.
    os.kill(backend, signal.SIGCONT)
    wait_for(lambda: not server.sql(f"SELECT pid FROM pg_stat_activity WHERE pid = {backend}"), 20,
             "the stopped session to end on the server")
    tw.close_with_confirmation("Opravdu chcete ukončit test ?")
    res = app.proc.window(title=RESULT, timeout=30, what="the result of the retried live test")
    press(res, "Ne")  # no review
    app.expect_main(label, what="the main window after the retried live test")
    stored = server.sql(f"SELECT COUNT(*) FROM STATIS WHERE ID_ZAK = {admin['id']}")
    check(stored == ["1"], f"the retried live test left {stored} reports, not one")
    outcomes = server.sql(f"SELECT COUNT(*) FROM ZAKVYSL WHERE ID_ZAK = {admin['id']} AND DATETIME = "
                          f"(SELECT DATETIME FROM STATIS WHERE ID_ZAK = {admin['id']})")
    questions = server.sql("SELECT COUNT(*) FROM TESTOTAZ WHERE ID_TEST = "
                           "(SELECT ID_TEST FROM TEST WHERE ID_TYPTEST = 1 AND PORADI = 1)")
    check(outcomes == questions, f"the retried live test left {outcomes} answers' outcomes, not {questions}")
    app.end_with_konec(main)


# ================================================================ road 12

EXPLANATION = "Vysvětlení správné odpovědi"


def explanation_shown(tw):
    """The explanation under the answers as a screen reader reads it: the text of the static text
    inside the area named EXPLANATION, or None while no such area is on screen."""
    areas = find_all(tw.win, None, EXPLANATION)
    if not areas:
        return None
    texts = [norm(a.name) for a in find_all(areas[0], "label") if norm(a.name) and a.name != "Vysvětlení:"]
    return texts[0] if texts else ""


@road(12, "a live test with wrong answers: the review explains each right answer to a screen reader")
def road_review_explanations(r):
    program = r.program()
    test_id, order, questions, texts, admin = stored_test_facts(program, 1)
    pid = admin["id"]
    # The first and third questions explain their right answers; the second has no explanation.
    explained = {order[0]: "Řidič musí chodci na přechodu umožnit nerušené a bezpečné přejití vozovky; proto "
                           "před přechodem zpomalí, a je-li třeba, zastaví. Ohrožení chodce je vždy chybou řidiče, "
                           "i když chodec vstoupí na přechod nepozorně (§ 5 odst. 2 zákona č. 361/2000 Sb.).",
                 order[2]: "Na křižovatce bez značek platí pravidlo pravé ruky."}
    for qid, text in explained.items():
        program.execute("INSERT INTO VYSVETLENI (ID_OTAZKA, TEXT) VALUES (?, ?)", (qid, text))
    wrong_at = {1, 2, 3}

    app = r.start(program)
    app.sign_in(ADMIN_PASSWORD)
    label = user_line(admin)
    main = app.expect_main(label)
    tw = start_live_test(app)
    tw.wait_question(1)
    # Before the scoring the right answers stay hidden: no explanation, not even after F1.
    app.keys(tw.win, "F1")
    time.sleep(0.5)
    check(explanation_shown(tw) is None, "the explanation is shown in a live test before its scoring")

    def plan(q, n):
        if n == 1:
            check(explanation_shown(tw) is None, "the explanation is shown in a live test before its scoring")
        return wrong_pattern(q["aa"]) if n in wrong_at else q["aa"]
    seen = answer_test(app, tw, texts, plan, by_keys=True, expect_order=order)
    check(explanation_shown(tw) is None, "the explanation is shown in a live test before its scoring")
    tw.close_with_confirmation("Opravdu chcete ukončit test ?")
    res = app.proc.window(title=RESULT, timeout=20, what="the result of the live test")
    press(res, "Ano")

    # The review: each wrong question with its explanation, read through the accessibility tree.
    wait_for(lambda: tw.total() == len(wrong_at), 10, f"the review to count {len(wrong_at)} questions")
    for n in sorted(wrong_at):
        tw.wait_question(n) if n == 1 else tw.next()
        qid = texts.get(tw.question_text(), {}).get("id")
        check(qid == order[n - 1], f"review question {n} is question {qid}, expected {order[n - 1]}")
        want = explained.get(qid)
        wait_for(lambda: explanation_shown(tw) == want, 10,
                 f"the review of question {qid} to show the explanation {want!r}")
        if n == 1:
            r.screenshot(os.path.join(r.dir, "review-explanation.png"))
    tw.close_with_confirmation("Opravdu chcete ukončit prohlížení otázek ?")
    app.expect_main(label, what="the main window after the review")

    # Every answer's outcome is kept with the report's time and the live test's mode.
    (when,) = program.query("SELECT DATETIME FROM STATIS WHERE ID_ZAK=? AND ID_TEST=?", (pid, test_id))[0]
    rows = sorted(program.query("SELECT ID_OTAZKA, SPRAVNE, REZIM, DATETIME FROM ZAKVYSL WHERE ID_ZAK=?", (pid,)))
    want = sorted((q["id"], 0 if n in wrong_at else 1, 4, when) for n, q in enumerate(seen, 1))
    check(rows == want, f"the outcomes stored (ZAKVYSL) are {rows}, expected {want}")
    app.end_with_konec(main)


# ================================================================ roads 13 and 14

STATISTICS = "Statistika žáka"
FAILED = "Nejčastěji chybně zodpovězené otázky"


def add_progress(program, rc, surname, first, password, points, wrong_questions):
    """A pupil of category B with live reports of these points (the oldest first, a day apart, the
    newest yesterday) and, for each question given, one wrong and one right answer kept."""
    program.execute("INSERT INTO ZAK (RC, HESLO, PRIJMENI, JMENO, TITUL, RP, ADRESA, TELEFON) "
                    "VALUES (?, ?, ?, ?, '', 'B', '', '')", (rc, password, surname, first))
    p = pupil(program, rc)
    start = now_local() - datetime.timedelta(days=len(points))
    for i, pts in enumerate(points):
        when = (start + datetime.timedelta(days=i)).strftime("%Y-%m-%d %H:%M:%S")
        program.execute("INSERT INTO STATIS (ID_ZAK, ID_TEST, DATETIME, PTOTAL, PCURRENT, REPORT, TEST_NAME) "
                        "VALUES (?, 0, ?, 50, ?, 'report', 'Ostré testy - Test číslo 1')", (p["id"], when, pts))
    when = now_local().strftime("%Y-%m-%d %H:%M:%S")
    for q in wrong_questions:
        for right in (0, 1):
            program.execute("INSERT INTO ZAKVYSL (ID_ZAK, ID_OTAZKA, SPRAVNE, DATETIME, REZIM) VALUES (?, ?, ?, ?, 3)",
                            (p["id"], q, right, when))
    return p


@road(13, "a pupil opens Statistika from the own record and hears the verdict")
def road_statistics(r):
    program = r.program()
    (minimum,) = program.query("SELECT MINIMUM FROM RP WHERE RP='B'")[0]
    questions = [row[0] for row in program.query("SELECT ID_OTAZKA FROM OTAZKA ORDER BY ID_OTAZKA LIMIT 3")]
    me = add_progress(program, "statistik", "Dvořáková", "Alena", "kolo",
                      [minimum - 5] + [minimum + i for i in range(5)], questions)

    app = r.start(program)
    app.sign_in(me["password"], rc=me["rc"])
    label = user_line(me)
    app.expect_main(label)
    app.command("Evidence žáků")
    rec = app.proc.window(title=RECORD, what="the own record")
    press(rec, "Statistika")
    stat = app.proc.window(title=STATISTICS, what="the statistics window")
    wait_for(lambda: has_label(stat, "Připraven ke zkoušce"), 10, "the verdict Připraven ke zkoušce")
    rule = label_starting(stat, "Připraven ke zkoušce je žák")
    check(rule and str(minimum) in rule, f"the rule on the screen reads {rule!r}")
    check(has_label(stat, f"Žák: {me['first']} {me['surname']}"), "the statistics window names another pupil")
    chart = wait_for(lambda: (find_all(stat, None, "Graf bodů ostrých testů") or [None])[0], 10, "the chart")
    check(f"minimum {minimum} bodů" in (chart.description or ""), f"the chart says {chart.description!r}")
    # drawn by the chart module beside the program, not the text that stands in for a missing one
    check(role(chart) != "label", f"no chart drawn: {role(chart)} in its place")
    groups = control(stat, "Správné odpovědi podle okruhů", "table")
    check(find_all(groups, "table cell", predicate=lambda a: (a.name or "").startswith("50 % (")),
          "the topic groups show no share of 50 %")
    failed = control(stat, "Nejčastěji chybně zodpovězené otázky žáka", "table")
    check(find_all(failed, "table cell", "1 / 2"), "the pupil's most failed questions show no 1 / 2")
    r.screenshot(os.path.join(r.dir, "statistics.png"))
    press(stat, "Ok")
    app.proc.gone(stat, what="the statistics window to close")
    press(rec, "Storno")
    app.proc.gone(rec, what="the own record to close")
    app.end_with_konec(app.expect_main(label))


@road(14, "pupil 1 filters the register, opens a most failed question, and exports the register")
def road_school_view(r):
    program = r.program()
    admin = pupil(program, ADMIN_RC)
    (minimum,) = program.query("SELECT MINIMUM FROM RP WHERE RP='B'")[0]
    (q,) = program.query("SELECT ID_OTAZKA FROM OTAZKA ORDER BY ID_OTAZKA LIMIT 1")[0]
    (q_text,) = program.query("SELECT OTAZKA FROM OTAZKA WHERE ID_OTAZKA=?", (q,))[0]
    add_progress(program, "841231/0001", "Šťastný", "Čeněk", "a", [minimum + 1] * 5, [q])
    add_progress(program, "900101/0002", "Novák", "Petr", "b", [minimum - 1], [q])

    app, label, reg = register_as_admin(r, program, admin)
    grid = control(reg, "Seznam žáků", "table")
    wait_for(lambda: find_all(grid, "table cell", f"{minimum + 1} / 50"), 10, "Šťastný's last points in the register")
    set_text(field(reg, "Hledat (jméno nebo identifikace)"), "stastn")
    wait_for(lambda: not find_all(grid, "table cell", "Novák", only_showing=False), 10, "the filter to hide Novák")
    check(find_all(grid, "table cell", "Šťastný"), "the filter hid Šťastný")
    check(find_all(grid, "table cell", "připraven"), "Šťastný is not shown ready")

    # the questions failed most, and one of them in the browsing view
    press(reg, "Chyby")
    failed = app.proc.window(title=FAILED, what="the questions failed most")
    table = control(failed, "Otázky podle počtu chybných odpovědí", "table")
    wait_for(lambda: find_all(table, "table cell", "100 %") or find_all(table, "table cell", "50 %"), 10,
             "the share wrong of the failed question")
    press(failed, "Zobrazit")
    tw = app.test_window()
    wait_for(lambda: norm(q_text) in norm(tw.question_text()), 10, "the failed question in the browsing view")
    check(not showing(failed), "the failed list stays on screen beside the test window")
    tw.close_with_confirmation("Opravdu chcete ukončit prohlížení otázek ?")
    wait_for(lambda: showing(failed), 10, "the failed list again after the browsing view")
    press(failed, "Ok")
    app.proc.gone(failed, what="the failed list to close")

    # the export of the rows shown
    target = os.path.join(r.dir, "evidence žáků.csv")
    press(reg, "Export")
    dlg = app.proc.window(title="Uložit evidenci žáků", what="the export's file dialog")
    name = wait_for(lambda: (find_all(dlg, "text", predicate=lambda a: has_state(a, "focused")) or [None])[0], 10,
                    "the file name field of the file dialog")
    set_text(name, target)
    app.keys(dlg, "Return")
    done = f"Evidence žáků byla uložena do souboru {target} (počet žáků: 1)."
    app.answer_message(done, "Ok")
    with open(target, "rb") as f:
        data = f.read()
    check(data.startswith(b"\xef\xbb\xbf"), "the export has no byte-order mark")
    lines = data[3:].decode("utf-8").split("\r\n")
    check(lines[0].startswith("Identifikace;Titul;Příjmení;Jméno;"), f"the export's heading is {lines[0]!r}")
    check(lines[1].startswith("841231/0001;;Šťastný;Čeněk;B;5;"), f"the export's row is {lines[1]!r}")
    check(lines[1].endswith(";Připraven ke zkoušce"), f"the export's row ends {lines[1][-40:]!r}")
    check(len([l for l in lines if l]) == 2, f"the export holds {len(lines)} lines, not the one row shown")
    press(reg, "Ok")
    app.end_with_konec(app.expect_main(label, what="the main window after the register"))
