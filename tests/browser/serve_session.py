"""A quorant serve process and a headless Chromium looking at its page, for
the browser tests. Chromium runs from Debian's package through Debian's
chromedriver, with a fresh profile, and without anything that would reach
for the network (the machine running the tests may have none)."""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import urllib.error
import urllib.request

from selenium import webdriver
from selenium.common.exceptions import StaleElementReferenceException, TimeoutException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"


def need(path, package):
    if not os.path.exists(path):
        raise SystemExit(f"{path} is missing: run scripts/install-deps (package {package})")


class Server:
    """quorant serve on a free port, over `folder`."""

    def __init__(self, quorant, folder):
        self.folder = folder
        self.log = open(os.path.join(folder, "..", "serve.err"), "w")
        self.proc = subprocess.Popen(
            [quorant, "--quiet", "serve", "--port", "0", "--folder", folder],
            stdout=subprocess.PIPE, stderr=self.log, text=True)
        line = ""
        for _ in range(3):
            line += self.proc.stdout.readline()
        m = re.search(r"http://127\.0\.0\.1:(\d+)/\?token=([0-9a-f]+)", line)
        if not m:
            self.proc.kill()
            raise RuntimeError("quorant serve printed no address: " + line)
        self.port = int(m.group(1))
        self.token = m.group(2)
        self.base = f"http://127.0.0.1:{self.port}"
        self.url = f"{self.base}/?token={self.token}"

    def get(self, path, token=True, headers=None):
        """(status, body) of a GET request made outside the browser."""
        req = urllib.request.Request(self.base + path, headers=headers or {})
        if token:
            req.add_header("X-Quorant-Token", self.token)
        try:
            with urllib.request.urlopen(req, timeout=30) as r:
                return r.status, r.read()
        except urllib.error.HTTPError as e:
            return e.code, e.read()

    def stop(self):
        """Ctrl-C, as a person stops it; returns the exit status."""
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGINT)
            try:
                self.proc.wait(timeout=60)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.log.close()
        return self.proc.returncode


class Browser:
    def __init__(self, work):
        need(CHROMIUM, "chromium")
        need(CHROMEDRIVER, "chromium-driver")
        self.downloads = os.path.join(work, "downloads")
        os.makedirs(self.downloads, exist_ok=True)
        self.profile = tempfile.mkdtemp(prefix="chromium-", dir=work)
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                     "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync",
                     # containers give /dev/shm too little room for a page
                     "--disable-dev-shm-usage",
                     "--window-size=1400,900", f"--user-data-dir={self.profile}"]:
            options.add_argument(flag)
        options.add_experimental_option("prefs", {
            "download.default_directory": self.downloads,
            "download.prompt_for_download": False,
        })
        service = Service(CHROMEDRIVER, log_output=os.path.join(work, "chromedriver.log")) \
            if "log_output" in Service.__init__.__code__.co_varnames else \
            Service(CHROMEDRIVER, log_path=os.path.join(work, "chromedriver.log"))
        self.driver = webdriver.Chrome(service=service, options=options)
        self.driver.set_page_load_timeout(60)
        # Downloads in headless Chromium go where the page allows them.
        self.driver.execute_cdp_cmd("Page.setDownloadBehavior",
                                    {"behavior": "allow", "downloadPath": self.downloads})

    def quit(self):
        try:
            self.driver.quit()
        finally:
            shutil.rmtree(self.profile, ignore_errors=True)

    # ---- waiting and finding -------------------------------------------------
    def wait(self, what, timeout=60, message=""):
        """What `what` returns once it is true. `message` (a text, or a function
        giving one) says what did not happen when it never is."""
        def probe(_):
            try:
                return what()
            except StaleElementReferenceException:
                return None  # the page redrew what was being looked at
        try:
            return WebDriverWait(self.driver, timeout, poll_frequency=0.1).until(probe)
        except TimeoutException:
            raise AssertionError(message() if callable(message) else message) from None

    def css(self, selector):
        return self.driver.find_elements(By.CSS_SELECTOR, selector)

    def one(self, selector, timeout=60):
        return self.wait(lambda: (self.css(selector) or [None])[0], timeout,
                         f"nothing matches {selector}")

    def windows(self):
        """The open windows' title texts, the outermost first."""
        try:
            return [e.text for e in self.css("#windows > .window > .wtitle")]
        except StaleElementReferenceException:
            return ["(changing)"]

    def top_window(self):
        wins = self.css("#windows > .window")
        return wins[-1] if wins else None

    def wait_window(self, caption, timeout=120, kind=None):
        """The top window once it has this caption (and kind: dialog, box,
        message, alert, file)."""
        def found():
            top = self.top_window()
            if top is None or (kind and top.get_attribute("data-kind") != kind):
                return None
            title = top.find_element(By.CSS_SELECTOR, ".wtitle").text.strip()
            return top if title == caption.strip() else None
        return self.wait(found, timeout, lambda: f"no window {caption!r}; open: {self.windows()}")

    def wait_no_window(self, timeout=120):
        self.wait(lambda: not self.css("#windows > .window"), timeout,
                  lambda: f"windows stayed open: {self.windows()}")

    def grid_text(self, r, c, pane="#grid1"):
        cells = self.css(f'{pane} td[data-r="{r}"][data-c="{c}"]')
        return cells[0].text if cells else None

    def menu_pick(self, *texts):
        """Clicks through the menu bar by the texts shown ('&' not shown)."""
        titles = [t for t in self.css("#menubar .menu > .title") if t.text == texts[0]]
        assert titles, f"no menu {texts[0]}"
        self.wait(lambda: titles[0].is_enabled(), 60, f"menu {texts[0]} stays disabled")
        titles[0].click()
        scope = titles[0].find_element(By.XPATH, "..")
        for text in texts[1:]:
            buttons = [b for b in scope.find_elements(By.CSS_SELECTOR, ".items .item > button")
                       if b.text.replace("\u25B8", "").strip() == text and b.is_displayed()]
            assert buttons, f"no menu item {text}"
            buttons[0].click()
            scope = buttons[0].find_element(By.XPATH, "..")


def wait_for_file(folder, name, timeout=60):
    """A downloaded file, once Chromium has finished writing it."""
    path = os.path.join(folder, name)
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if os.path.exists(path) and not os.path.exists(path + ".crdownload"):
            return path
        time.sleep(0.1)
    raise AssertionError(f"{name} was not downloaded; the folder holds {os.listdir(folder)}")
