"""The page of quorant serve, used as a person uses it, in headless Chromium.

Run by ctest (ctest -R Browser), one test per run, in the test's own folder:
    test_page.py --quorant BIN --source SRC PageTest.test_round_example
"""

import argparse
import os
import re
import shutil
import sys
import unittest

# ctest counts this exit status as a skip (SKIP_RETURN_CODE): only for a
# machine where the browser cannot run at all because a package is missing.
SKIP = 77
NEEDED = [("/usr/bin/chromium", "chromium"), ("/usr/bin/chromedriver", "chromium-driver")]


def skip_unless_browser():
    missing = [pkg for path, pkg in NEEDED if not os.access(path, os.X_OK)]
    for module, pkg in [("selenium", "python3-selenium"), ("openpyxl", "python3-openpyxl")]:
        try:
            __import__(module)
        except ImportError:
            missing.append(pkg)
    if missing:
        print("SKIP: the browser tests cannot run here: missing Debian package(s) "
              + ", ".join(missing) + "; scripts/install-deps installs them", flush=True)
        sys.exit(SKIP)


skip_unless_browser()

import openpyxl  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from serve_session import Browser, Server, wait_for_file  # noqa: E402

ARGS = None
SHEET = "Region x Age"


def sum_terms(formula, sheet):
    """The cells a =SUM(...) formula adds, as (sheet, "A1") pairs."""
    m = re.fullmatch(r"=SUM\((.*)\)", formula)
    if not m:
        return None
    out = []
    for arg in m.group(1).split(","):
        name = sheet
        if "!" in arg:
            name, arg = arg.rsplit("!", 1)
            name = name.strip("'")
        lo, _, hi = arg.partition(":")
        hi = hi or lo
        c1, r1 = openpyxl.utils.cell.coordinate_from_string(lo)
        c2, r2 = openpyxl.utils.cell.coordinate_from_string(hi)
        for col in range(openpyxl.utils.column_index_from_string(c1),
                         openpyxl.utils.column_index_from_string(c2) + 1):
            for row in range(r1, r2 + 1):
                out.append((name, f"{openpyxl.utils.get_column_letter(col)}{row}"))
    return out


class PageTest(unittest.TestCase):
    def setUp(self):
        self.work = os.getcwd()
        self.folder = os.path.join(self.work, "folder")
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        shutil.copy(os.path.join(ARGS.source, "examples", "employment.xlsx"), self.folder)
        self.server = Server(ARGS.quorant, self.folder)
        self.browser = Browser(self.work)
        self.b = self.browser

    def tearDown(self):
        # A script error of the page is a fault even when the test got through
        # (refusals the tests provoke are not, nor a sheet asked for while a
        # command runs: the server answers busy and the page asks again).
        errors = [e["message"] for e in self.b.driver.get_log("browser")
                  if e["level"] == "SEVERE" and "(Forbidden)" not in e["message"]
                  and "(Not Found)" not in e["message"]
                  and not ("/api/sheet?" in e["message"]
                           and "(Service Unavailable)" in e["message"])]
        self.b.quit()
        status = self.server.stop()
        # Ctrl-C ends the server cleanly, whatever the test left open.
        self.assertEqual(status, 0, "quorant serve did not stop cleanly on Ctrl-C")
        self.assertEqual(errors, [], "the page reported errors")

    # ---- steps a person takes ------------------------------------------------------
    def open_page(self):
        self.b.driver.get(self.server.url)
        self.b.one("#menubar .menu")

    def open_example(self):
        self.open_page()
        button = self.b.wait(lambda: next((li.find_element(By.TAG_NAME, "button")
                                            for li in self.b.css("#files li")
                                            if li.text.startswith("employment.xlsx")), None))
        button.click()
        self.b.wait(lambda: self.b.grid_text(0, 0) == "Region", 60, "the example's grid")

    def pick_rounder(self):
        self.b.menu_pick("Rounding", "Rounder... (XPRESS)")
        return self.b.wait_window(" Quorant", kind="dialog")

    def page(self, window, title):
        tab = [t for t in window.find_elements(By.CSS_SELECTOR, ".pagetabs .tab") if t.text == title]
        tab[0].click()
        self.b.wait(lambda: window.find_element(By.CSS_SELECTOR, ".pagetabs .tab[aria-selected=true]").text == title)

    def control(self, window, id_):
        return window.find_element(By.CSS_SELECTOR, f'[data-id="{id_}"]')

    # ---- the tests ----------------------------------------------------------------------
    def test_round_example(self):
        """Open the example, round it with base 5, read the Resolution Info and
        download the rounded workbook: every total in it must hold."""
        self.open_example()
        sheet = self.pick_rounder()
        # The captured table is marked before rounding: its totals and cells.
        self.b.wait(lambda: self.b.css("#grid1 td.m-total"), 60, "totals are not marked")
        self.assertTrue(self.b.css("#grid1 td.m-part"), "cells of equations are not marked")
        self.assertEqual(len(self.b.css("#grid1 td.m-total")), 8,
                         "the region x age table has 4 row totals, 3 column totals and a grand total")
        self.page(sheet, "General Options")
        base = self.control(sheet, 12003)
        self.b.wait(lambda: base.get_attribute("value") == "10")
        base.click()
        base.send_keys(Keys.CONTROL, "a")
        base.send_keys("5")
        sheet.find_element(By.XPATH, ".//div[@class='wfoot']/button[text()='OK']").click()

        info = self.b.wait_window("Resolution Info", 180)
        self.assertEqual(self.control(info, 12023).get_attribute("value"), "5",
                         "the base typed on General Options was not used")
        self.assertTrue(self.control(info, 12017).is_selected(), "zero-restricted model expected")
        distance = self.control(info, 12022).get_attribute("value")
        self.assertRegex(distance, r"^\d+(,\d+)?$")
        info.find_element(By.CSS_SELECTOR, '[data-id="1"]').send_keys(Keys.ENTER)
        self.b.wait_no_window()

        # The rounded copy is shown, changed cells shaded, intervals beside it.
        self.b.wait(lambda: any("rounded" in t.text for t in self.b.css("#booktabs .tab[aria-selected=true]")),
                    60, "the rounded workbook is not shown")
        self.b.wait(lambda: self.b.css("#grid1 td[data-moved]"), 60, "no changed cell is shaded")
        self.b.wait(lambda: self.b.css("#pane2:not([hidden]) #grid2 td"), 60, "intervals are not beside")
        self.assertIn("Distance from Original", self.b.one("#result").text)
        # Selecting a total shows its formula, kept over the rounded parts.
        # Showing another workbook clears the selection, so a click made
        # while the page still settles on the rounded copy is made again.
        def total_shows_formula():
            if self.b.one("#cellformula").text == "=SUM(B2:D2)":
                return True
            self.b.one('#grid1 td[data-r="1"][data-c="4"]').click()
            return False
        self.b.wait(total_shows_formula, 60, "the selected total does not show its formula")
        # The picture of docs/serve.md.
        self.b.driver.execute_script("document.getElementById('toast').hidden = true")
        self.b.driver.save_screenshot(os.path.join(self.work, "serve-rounded.png"))

        self.b.one("#download").click()
        path = wait_for_file(self.b.downloads, "employment-rounded.xlsx")
        formulas = openpyxl.load_workbook(path)
        values = openpyxl.load_workbook(path, data_only=True)
        totals = 0
        for ws in formulas.worksheets:
            for row in ws.iter_rows():
                for cell in row:
                    v = values[ws.title][cell.coordinate].value
                    if isinstance(v, (int, float)) and ws.title != "Notes":
                        self.assertEqual(v % 5, 0, f"{ws.title}!{cell.coordinate} = {v} is no multiple of 5")
                    if isinstance(cell.value, str) and cell.value.startswith("=SUM"):
                        terms = sum_terms(cell.value, ws.title)
                        parts = sum(values[s][a].value or 0 for s, a in terms)
                        self.assertEqual(v, parts, f"{ws.title}!{cell.coordinate} {cell.value}")
                        totals += 1
        self.assertGreaterEqual(totals, 20, "the rounded workbook lost its total formulas")

    def test_add_equation(self):
        """Add an equation in the add-sums dialog by selecting its cells on the sheet."""
        self.open_example()
        sheet = self.pick_rounder()
        self.page(sheet, "Edit Equations")
        self.control(sheet, 12011).click()
        self.b.wait_window("Controlled rounding - Add sums")

        def row(n):
            return self.b.top_window().find_element(By.CSS_SELECTOR, f'[data-row="{n}"]')

        # Row 20 counts the sums not read from the sheet's formulas.
        self.assertEqual(row(20).text, "0")
        items = len(row(16).find_elements(By.CSS_SELECTOR, ".row"))
        # Left side: the total E2; right side: its parts B2:D2, both picked on the grid.
        row(5).click()
        self.drag("E2", "E2")
        self.b.wait(lambda: row(5).get_attribute("value") == f"'{SHEET}'!R2C5")
        row(7).click()
        self.drag("B2", "D2")
        self.b.wait(lambda: row(7).get_attribute("value") == f"'{SHEET}'!R2C2:R2C4")
        old = self.b.top_window()
        row(14).click()  # Add
        self.b.wait(lambda: self.b.top_window() is not None and self.b.top_window() != old
                    and len(row(16).find_elements(By.CSS_SELECTOR, ".row")) == items + 1,
                    60, "the equation was not added")
        first = row(16).find_elements(By.CSS_SELECTOR, ".row")[0].text
        self.assertIn(f"'{SHEET}'!E2", first, "the new equation's cells are not named beside it")
        self.assertEqual(row(20).text, "1", "the hand-made sum is not counted")
        row(2).click()  # OK
        sheet = self.b.wait_window(" Quorant", kind="dialog")
        # Esc cancels the options sheet.
        self.control(sheet, 12011).send_keys(Keys.ESCAPE)
        self.b.wait_no_window()

    def drag(self, first, last):
        def cell(a1):
            c = openpyxl.utils.column_index_from_string(re.match(r"[A-Z]+", a1).group(0)) - 1
            r = int(re.search(r"\d+", a1).group(0)) - 1
            return self.b.one(f'#grid1 td[data-r="{r}"][data-c="{c}"]')
        from selenium.webdriver import ActionChains
        ActionChains(self.b.driver).click_and_hold(cell(first)).move_to_element(cell(last)).release().perform()

    def test_message_box(self):
        """A base with a letter is refused by a message box, answered with Enter;
        Tab moves the focus and so checks the box."""
        self.open_example()
        sheet = self.pick_rounder()
        self.page(sheet, "General Options")
        base = self.control(sheet, 12003)
        base.click()
        base.send_keys(Keys.CONTROL, "a")
        base.send_keys("1e3")
        base.send_keys(Keys.TAB)
        message = self.b.wait_window("Quorant", kind="message")
        self.assertIn("This Edit Box allows only decimal numbers of the form 2.4711", message.text)
        self.b.driver.switch_to.active_element.send_keys(Keys.ENTER)
        sheet = self.b.wait_window(" Quorant", kind="dialog")
        self.b.wait(lambda: self.control(sheet, 12003).get_attribute("value") == "10",
                    60, "the last shown base was not put back")
        # Esc leaves the sheet; nothing is rounded.
        self.control(sheet, 12005).send_keys(Keys.ESCAPE)
        self.b.wait_no_window()
        self.assertEqual(len(self.b.css("#booktabs .tab")), 1)

    def test_refusals(self):
        """Requests without the token, for another host, or for files outside the
        working folder are refused."""
        outside = os.path.join(self.work, "secret.txt")
        with open(outside, "w") as f:
            f.write("not for the page\n")
        os.symlink(outside, os.path.join(self.folder, "link.txt"))
        status, body = self.server.get("/", token=False)
        self.assertEqual(status, 403)
        status, body = self.server.get("/api/state", token=False)
        self.assertEqual(status, 403)
        status, _ = self.server.get("/api/state", headers={"Host": "example.com"})
        self.assertEqual(status, 403, "a request for another host name was answered")
        # In the browser: without the token the page is refused, with it shown.
        self.b.driver.get(self.server.base + "/")
        self.assertIn("lacks the token", self.b.one("body").text)
        self.open_page()
        for name in ["../secret.txt", "link.txt", outside]:
            answer = self.b.driver.execute_async_script(
                "const done = arguments[arguments.length - 1];"
                "const token = document.querySelector('meta[name=quorant-token]').content;"
                "fetch('/api/file?name=' + encodeURIComponent(arguments[0]),"
                "      {headers: {'X-Quorant-Token': token}})"
                "  .then(async r => done([r.status, await r.text()]));", name)
            self.assertEqual(answer[0], 404, f"{name} was served")
            self.assertNotIn("not for the page", answer[1])
        answer = self.b.driver.execute_async_script(
            "const done = arguments[arguments.length - 1];"
            "const token = document.querySelector('meta[name=quorant-token]').content;"
            "fetch('/api/action', {method: 'POST', headers: {'X-Quorant-Token': token},"
            "  body: JSON.stringify({do: 'open', name: '../secret.txt'})})"
            "  .then(r => r.json()).then(done);")
        self.assertIn("outside the working folder", answer["error"])
        self.assertNotIn("link.txt", [e.text for e in self.b.css("#files .name")],
                         "a link leading outside is listed")


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--quorant", required=True)
    parser.add_argument("--source", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
