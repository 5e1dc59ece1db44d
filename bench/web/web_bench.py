#!/usr/bin/python3
"""The quiz page's speed in headless Chromium: for each demo quiz and for a
96-question picture quiz of 1024 x 768 JPEGs, the median time from navigation
to the page being interactive (window.vyrlaTimings.interactive), beside the time
the HTML alone is parsed, and for picture quizzes when the pictures of the
first view are shown; then, measured
inside the page, the time from an Enter key event to the verdict's change and
to the next animation frame after it, which is when the change is painted.
Figures only: how fast is fast enough is read off them, not asserted.

    bench/web/web_bench.py VYRLA-PACK [RUNS]
"""
import os
import statistics
import subprocess
import sys

root = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(root, "tests", "web"))
from browser import Browser, build_page  # noqa: E402

FRAME_MS = 1000 / 60

# Sets the field's text as typing does, then times one Enter (keydown and
# keyup, as a key press sends both) to the verdict's change and to the next
# frame after it.
KEY_TO_VERDICT = """
const [f, text, done] = arguments;
const input = document.getElementById('field-' + f), shown = document.getElementById('verdict-' + f);
input.focus();
input.value = text;
input.dispatchEvent(new Event('input', {bubbles: true}));
let start = 0;
const observer = new MutationObserver(() => {
    const changed = performance.now();
    observer.disconnect();
    requestAnimationFrame(() => done([changed - start, performance.now() - start]));
});
observer.observe(shown, {childList: true, characterData: true, subtree: true});
setTimeout(() => { observer.disconnect(); done(null); }, 2000);
const key = {key: 'Enter', code: 'Enter', keyCode: 13, which: 13, bubbles: true, cancelable: true};
start = performance.now();
input.dispatchEvent(new KeyboardEvent('keydown', key));
input.dispatchEvent(new KeyboardEvent('keypress', key));
input.dispatchEvent(new KeyboardEvent('keyup', key));
"""


# Pictures are decoded after the page is interactive: the time from navigation
# until every picture in the first view is shown.
FIRST_VIEW_PICTURES = """
const done = arguments[0];
function check() {
    const inView = [...document.querySelectorAll('img')].filter(i => i.getBoundingClientRect().top < innerHeight);
    if (inView.every(i => i.src && i.complete && i.naturalWidth > 0)) done(performance.now());
    else requestAnimationFrame(check);
}
check();
"""


def big_picture_quiz(folder):
    """96 questions with photo-like 1024 x 768 JPEGs, drawn once with ImageMagick."""
    pics = os.path.join(folder, "pics")
    os.makedirs(pics, exist_ok=True)
    if not os.path.exists(os.path.join(pics, "96.jpg")):
        print("Drawing 96 photo-like 1024 x 768 pictures...", flush=True)
        for n in range(1, 97):
            subprocess.run(["convert", "-size", "1024x768",
                            f"gradient:hsb({n * 37 % 360},60%,80%)-hsb({n * 91 % 360},70%,40%)",
                            "-seed", str(n), "-attenuate", "0.4", "+noise", "Gaussian", "-blur", "0x1",
                            "-quality", "85", os.path.join(pics, f"{n}.jpg")], check=True)
    toml = os.path.join(folder, "quiz.toml")
    with open(toml, "w") as f:
        f.write('kind = "picture"\ntitle = "Start-up (pictures)"\nmode = 0\n')
        for n in range(1, 97):
            f.write(f'[[question]]\nanswer = "r{n}"\npicture = "pics/{n}.jpg"\n')
    return toml


def median(values):
    return statistics.median(values) if values else float("nan")


def main():
    pack = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    work = os.path.join(os.path.dirname(os.path.dirname(pack)), "web-bench")  # beside pack/ in the build folder
    os.makedirs(work, exist_ok=True)
    quizzes = {name: os.path.join(root, "quizzes", name, "quiz.toml") for name in ("demo", "pictures", "sound", "video")}
    quizzes["big-pictures"] = big_picture_quiz(os.path.join(work, "big-pictures"))
    pages = {name: build_page(pack, toml, os.path.join(work, name + ".html")) for name, toml in quizzes.items()}

    b = Browser()
    try:
        print(f"open to interactive, median of {runs} loads (first load apart):")
        for name, html in pages.items():
            times, parsed, shown = [], [], []
            for _ in range(runs + 1):
                b.driver.get("about:blank")
                b.open(html, timeout=120)
                times.append(b.js("return window.vyrlaTimings.interactive"))
                parsed.append(b.js("return performance.getEntriesByType('navigation')[0].domInteractive"))
                if "pictures" in name:
                    shown.append(b.driver.execute_async_script(FIRST_VIEW_PICTURES))
            print(f"  {name:13} {os.path.getsize(html) / 1e6:6.2f} MB  first {times[0]:7.1f} ms"
                  f"  median {median(times[1:]):7.1f} ms  (min {min(times[1:]):.1f}, max {max(times[1:]):.1f};"
                  f" the HTML parsed at {median(parsed[1:]):.1f})"
                  + (f"; first view's pictures shown: median {median(shown[1:]):.1f} ms" if shown else ""))

        print("Enter to verdict (median / 95th percentile / max; frames: after the next animation frame):")
        for name, f, texts in (("demo", 3, ("Loir", "Loire")), ("big-pictures", 95, ("r9", "r95"))):
            b.open(pages[name])
            changed, framed, missed = [], [], 0
            for i in range(60):
                got = b.driver.execute_async_script(KEY_TO_VERDICT, f, texts[i % 2])
                if got is None:
                    missed += 1
                    continue
                changed.append(got[0])
                framed.append(got[1])
            if not changed:
                print(f"  {name:13} the verdict never changed on a dispatched Enter")
                continue
            p95 = sorted(framed)[int(0.95 * (len(framed) - 1))]
            within = sum(t <= FRAME_MS for t in framed)
            print(f"  {name:13} change {median(changed):5.2f} ms, frame {median(framed):5.2f} / {p95:5.2f} / "
                  f"{max(framed):5.2f} ms; within one frame ({FRAME_MS:.1f} ms): {within}/{len(framed)}"
                  + (f"; {missed} without a change" if missed else ""))
    finally:
        b.quit()


if __name__ == "__main__":
    main()
