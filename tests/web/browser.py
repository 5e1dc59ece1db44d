# Headless Chromium for the web page's tests and benchmark: one fresh profile
# per run (so no answers are kept from an earlier run), a 1000 x 700 view, and
# the flags without which the closed network refuses the browser's own calls.
import os
import shutil
import subprocess
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.support.ui import WebDriverWait

FLAGS = ("--headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking"
         " --disable-component-update --disable-sync --autoplay-policy=no-user-gesture-required").split()


def build_page(pack, toml, html):
    # Its notes (clips a browser does not play) are expected; only a failure is told.
    built = subprocess.run([pack, "build", toml, "-o", html], capture_output=True, text=True)
    if built.returncode != 0:
        raise RuntimeError(f"vyrla-pack build {toml} failed:\n{built.stderr}")
    return html


class Browser:
    def __init__(self, downloads=None, width=1000, height=700):
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in FLAGS:
            options.add_argument(flag)
        options.add_argument(f"--window-size={width},{height + 200}")
        self.profile = tempfile.mkdtemp(prefix="vyrla-chromium-")
        options.add_argument("--user-data-dir=" + self.profile)
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                    {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})
        self.downloads = downloads
        if downloads:
            self.driver.execute_cdp_cmd("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})

    def open(self, html, timeout=30):
        self.driver.get("file://" + os.path.abspath(html))
        self.wait_ready(timeout)

    def wait_ready(self, timeout=30):
        WebDriverWait(self.driver, timeout).until(
            lambda d: d.execute_script("return !!document.body && document.body.dataset.ready === '1'"))

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def download(self, action, timeout=10):
        """Runs `action` and returns the name and bytes of the file it downloads (None, b"" when none).
        The folder is emptied first: the browser writes over a file of the same name."""
        for name in os.listdir(self.downloads):
            os.remove(os.path.join(self.downloads, name))
        action()
        deadline = time.time() + timeout
        while time.time() < deadline:
            names = [n for n in os.listdir(self.downloads) if not n.endswith(".crdownload")]
            if names:
                time.sleep(0.2)  # let the browser finish writing
                with open(os.path.join(self.downloads, names[0]), "rb") as f:
                    return names[0], f.read()
            time.sleep(0.1)
        return None, b""

    def quit(self):
        self.driver.quit()
        shutil.rmtree(self.profile, ignore_errors=True)
