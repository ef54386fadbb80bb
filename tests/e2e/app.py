"""The program's windows as the suite finds them in the accessibility tree: by role, name and the
texts they show, the way a screen reader user finds them."""

import re

from harness import (RoadFailure, check, click, describe, do_action, enabled, extents, find_all, has_state, key,
                     set_text, showing, wait_for, walk)

SIGN_IN = "Přihlášení do systému"
SYSTEM = "Systémové hlášení :"
RESULT = "Výsledek ostrého testu"
REGISTER = "Evidence žáků"
RECORD = "Základní údaje o žákovi"
ZOOM = "Zvětšený obrázek"

MAIN_COMMANDS = ["Prohlížení otázek", "Testy s nápovědou", "Zkušební testy", "Ostré testy", "Chybové testy",
                 "Evidence žáků", "Přihlášení", "Konec"]


def norm(text):
    return " ".join((text or "").split())


def _inside(outer, inner):
    ox, oy, ow, oh = outer
    x, y, w, h = inner
    return x >= ox and y >= oy and x + w <= ox + ow and y + h <= oy + oh


def control(win, name, role_name="push button", timeout=10):
    """A control of `win` on screen. Of several with one name (the dialogs' hidden Enter and Esc
    buttons carry the captions of the visible ones) the one inside the window's area wins."""
    def probe():
        found = find_all(win, role_name, name)
        if not found:
            return None
        area = extents(win)
        visible = [c for c in found if _inside(area, extents(c))]
        return (visible or found)[0]
    return wait_for(probe, timeout, f"{role_name} {name!r} in {describe(win)}")


def press(win, name, role_name="push button"):
    c = control(win, name, role_name)
    wait_for(lambda: enabled(c), 10, f"{describe(c)} to be enabled")
    do_action(c)
    return c


def field(win, name):
    return control(win, name, "text")


def label_starting(win, prefix, only_showing=True):
    found = find_all(win, "label", only_showing=only_showing, predicate=lambda a: (a.name or "").startswith(prefix))
    return found[0].name if found else None


def has_label(win, text):
    return bool(find_all(win, "label", text))


def click_control(display, acc):
    x, y, w, h = extents(acc)
    click(display, x + w // 2, y + h // 2)


def select_cell(display, win, table_name, cell_name):
    """Clicks the row of a list whose cell shows `cell_name`, and waits for it to be selected."""
    table = control(win, table_name, "table")
    cell = wait_for(lambda: (find_all(table, "table cell", cell_name) or [None])[0], 10,
                    f"row {cell_name!r} in list {table_name!r}")
    click_control(display, cell)
    wait_for(lambda: has_state(cell, "selected"), 10, f"row {cell_name!r} of {table_name!r} to be selected")
    return cell


class Ferdano:
    """One running program, driven through its windows."""

    def __init__(self, proc, display):
        self.proc = proc
        self.display = display

    # ------------------------------------------------------------ windows
    def sign_in_window(self, timeout=30):
        return self.proc.window(title=SIGN_IN, timeout=timeout, what="the sign-in window")

    def main_window(self, timeout=20):
        return self.proc.window(containing=("push button", "Konec"), timeout=timeout, what="the main window")

    def test_window(self, timeout=30):
        return TestWindow(self, self.proc.window(containing=("push button", "Další otázka"), timeout=timeout,
                                                 what="the test window"))

    def message(self, text, timeout=20):
        """The common message window showing `text`."""
        return self.proc.window(title=SYSTEM, containing=("label", text), timeout=timeout,
                                what=f"the message {text!r}")

    def dialog_with_heading(self, heading, timeout=20):
        return self.proc.window(containing=("label", heading), timeout=timeout,
                                what=f"the window headed {heading!r}")

    def other_windows(self, keep):
        return [w for w in self.proc.windows() if not _same(w, keep)]

    # ------------------------------------------------------------ keys
    def keys(self, win, *keys):
        """Real key presses, once `win` is the active window (the one that takes the keyboard)."""
        wait_for(lambda: has_state(win, "active"), 10, f"{describe(win)} to become the active window")
        key(self.display, *keys)

    # ------------------------------------------------------------ the main window
    def user_label(self, main=None):
        main = main or self.main_window()
        return label_starting(main, "Uživatel:")

    def expect_main(self, user_label, timeout=20, what="the main window again"):
        """Back at the main window: the process runs, the main window is on screen as the only
        window of the program, and it shows the user line `user_label`."""
        main = self.main_window(timeout)

        def probe():
            self.proc.check_alive()
            if not showing(main):
                return False
            if self.other_windows(main):
                return False
            return self.user_label(main) == user_label
        try:
            wait_for(probe, timeout, what)
        except RoadFailure:
            others = [describe(w) for w in self.other_windows(main)]
            raise RoadFailure(f"expected {what} showing {user_label!r} alone; it shows "
                              f"{self.user_label(main)!r}, other windows on screen: {others}")
        return main

    def command(self, name):
        """Presses a command button of the main window."""
        main = self.main_window()
        press(main, name)
        return main

    def expect_main_hidden(self, main):
        wait_for(lambda: not showing(main), 10, "the main window to hide while its command runs")

    def sign_in(self, password, rc=None, window=None):
        w = window or self.sign_in_window()
        if rc is not None:
            set_text(field(w, "Identifikace"), rc)
        set_text(field(w, "Heslo"), password)
        press(w, "Ok")
        self.proc.gone(w, what="the sign-in window to close after Ok")

    def answer_message(self, text, button):
        w = self.message(text)
        press(w, button)
        self.message_gone(text)

    def message_gone(self, text, timeout=20):
        """Waits until no window shows `text` (the message window is one window, shown again at
        once with the next message)."""
        wait_for(lambda: not any(find_all(w, "label", text) for w in self.proc.windows()), timeout,
                 f"the message {text!r} to close")

    def end_with_konec(self, main=None):
        main = main or self.main_window()
        press(main, "Konec")
        status = self.proc.wait_exit(20, "the program to end after Konec")
        check(status == 0, f"the program ended after Konec with status {status}, not 0")


def _same(a, b):
    try:
        return a == b or (a.name == b.name and extents(a) == extents(b) and a.getIndexInParent() == b.getIndexInParent())
    except Exception:
        return False


class TestWindow:
    """The test window: the question, its four answers, the counters and the moves."""

    def __init__(self, app, win):
        self.app = app
        self.win = win
        boxes = control(win, "Odpovědi", role_name=None)
        self.answer_area = boxes
        self.question_area = control(win, "Text otázky", role_name=None)

    def question_text(self):
        for acc in walk(self.question_area):
            if acc is not self.question_area and norm(acc.name):
                return norm(acc.name)
        return ""

    def answers(self):
        """The answer boxes on screen, a) to d), each as (name, checked, enabled)."""
        out = []
        for acc in find_all(self.answer_area, "check box"):
            out.append((norm(acc.name), has_state(acc, "checked"), enabled(acc), acc))
        out.sort(key=lambda t: t[0])
        return out

    def ticks(self):
        return "".join("1" if a[1] else "0" for a in self.answers())

    def number(self):
        v = label_starting(self.win, "Otázka číslo ")
        return int(v.split()[2]) if v else None

    def counter(self, prefix):
        v = label_starting(self.win, prefix)
        return int(v[len(prefix):].strip()) if v else None

    def total(self):
        return self.counter("Celkový počet otázek ")

    def unanswered(self):
        return self.counter("Nezodpovězených otázek ")

    def points(self):
        v = find_all(self.win, "label", predicate=lambda a: re.fullmatch(r"\d+ body", a.name or "") is not None)
        return int(v[0].name.split()[0]) if v else None

    def caption_shown(self, caption):
        return has_label(self.win, caption)

    def wait_question(self, number, timeout=10):
        wait_for(lambda: self.number() == number and self.question_text(), timeout, f"question number {number}")

    def next(self, by_key=False):
        n = self.number()
        if by_key:
            self.app.keys(self.win, "Next")
        else:
            press(self.win, "Další otázka")
        self.wait_question(n + 1)

    def tick_by_keys(self, pattern):
        """Ticks the answers of `pattern` ("0100": b) with the letter keys; boxes ticked before
        and not in the pattern are unticked the same way."""
        now = self.ticks()
        letters = [l for l, want, have in zip("abcd", pattern, now) if want != have]
        if letters:
            self.app.keys(self.win, *letters)
        wait_for(lambda: self.ticks() == pattern, 10, f"the answers to show the ticks {pattern}")

    def tick_by_action(self, pattern):
        """The same through each box's own action, as a screen reader toggles a check box."""
        for (name, is_checked, is_enabled, acc), want in zip(self.answers(), pattern):
            if (want == "1") != is_checked:
                check(is_enabled, f"answer {name!r} is disabled")
                do_action(acc, ("Toggle", "Press", "toggle", "press"))
        wait_for(lambda: self.ticks() == pattern, 10, f"the answers to show the ticks {pattern}")

    def close_with_confirmation(self, text, by_key=False):
        """Asks the window to close (Ok button or Esc) and answers its confirmation with Ano."""
        if by_key:
            self.app.keys(self.win, "Escape")
        else:
            press(self.win, "Ok")
        self.app.answer_message(text, "Ano")
