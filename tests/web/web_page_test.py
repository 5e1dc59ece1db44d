#!/usr/bin/python3
"""The quiz page in headless Chromium, used as a player uses it: keys typed into
the text demo, thousands of answers judged by the page and by `vyrla-pack try`,
answers kept over a reload, saved (Sauver, F2) byte for byte and loaded back,
the picture demo's "Cacher", the hint area of each answer mode, pictures and
clips as their files' bytes, clips the browser can or cannot play, and one
screenshot per kind of quiz (in OUTPUT-DIR/screenshots).

    web_page_test.py VYRLA-PACK SOURCE-DIR [OUTPUT-DIR]
"""
import csv
import hashlib
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
import tomllib
import unicodedata

from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser import Browser, build_page  # noqa: E402

pack, root = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
output = os.path.abspath(sys.argv[3] if len(sys.argv) > 3 else ".")
work = tempfile.mkdtemp(prefix="vyrla-web-")
passed = failed = 0


def check(what, ok, detail=""):
    global passed, failed
    if ok:
        passed += 1
    else:
        failed += 1
        print(f"FAILED: {what}" + (f"\n  {detail}" if detail else ""), flush=True)
    return ok


class Quiz:
    """A quiz source, its page, and its answer fields numbered as the page numbers them."""

    def __init__(self, folder, name, html=None):
        self.toml = os.path.join(root, folder, "quiz.toml")
        with open(self.toml, "rb") as f:
            self.source = tomllib.load(f)
        self.name = name
        self.html = build_page(pack, self.toml, os.path.join(work, html or name + ".html"))
        per = self.source.get("answers", 1)
        self.fields = []  # (try's field name, expected answer), field f at index f - 1
        for n, q in enumerate(self.source["question"], 1):
            self.fields.append((str(n), q["answer"]))
            if per == 2:
                self.fields.append((f"{n}.2", q["second"]))
        self.codes = self.source.get("codes", [])

    def tried(self, pairs):
        """`vyrla-pack try` verdicts for (field, typed) pairs."""
        lines = "".join(f"{self.fields[f - 1][0]}\t{typed}\n" for f, typed in pairs)
        out = subprocess.run([pack, "try", self.toml], input=lines, capture_output=True, text=True,
                             encoding="utf-8", check=True).stdout
        return [line.rsplit("\t", 1)[1] for line in out.splitlines()]

    def collected(self, path):
        """What `vyrla-pack collect` reads in an answers file: score, typed texts, verdicts, code, note."""
        results = os.path.join(work, "results.csv")
        subprocess.run([pack, "collect", self.toml, path, "-o", results, "--typed"], check=True, capture_output=True)
        with open(results, encoding="utf-8-sig", newline="") as f:
            row = list(csv.reader(f))[1]
        return [row[1], row[2:-2:2], row[3:-2:2], row[-2], row[-1]]

    def code_for(self, score):
        return self.codes[score - 1] if 0 < score <= len(self.codes) else " " * 6


def state(b):
    """[(field number, text, verdict)] of every answer field the page shows."""
    return b.js("""return [...document.querySelectorAll('input[id^="field-"]')].map(i => {
        const f = +i.id.slice(6); return [f, i.value, document.getElementById('verdict-' + f).textContent]; })""")


def header(b):
    return b.js("return [document.getElementById('score').textContent, document.getElementById('code').textContent]")


def consistent(b, quiz, what):
    """The page's verdicts are those of `try` for the texts its fields hold, and the
    score and code count the questions whose every field reads BRAVO."""
    s = state(b)
    tried = quiz.tried([(f, text) for f, text, _ in s])
    check(f"{what}: verdicts as try gives them", [v for _, _, v in s] == tried,
          f"page {[(f, t, v) for f, t, v in s]}\ntry  {tried}")
    verdicts, solved = {f: v for f, _, v in s}, {}
    for f, (name, _) in enumerate(quiz.fields, 1):  # a hidden field counts as answered
        q = name.split(".")[0]
        solved[q] = solved.get(q, True) and verdicts.get(f, "BRAVO") == "BRAVO"
    score = sum(solved.values())
    check(f"{what}: score and code", header(b) == [f" {score} / {len(quiz.source['question'])}", quiz.code_for(score)],
          f"header {header(b)}, {score} solved")
    return s


def until(b, script, expected, *args, timeout=5):
    """Whether the script returns `expected` within the timeout: pictures decode, files are read in their own time."""
    deadline = time.time() + timeout
    while b.js(script, *args) != expected and time.time() < deadline:
        time.sleep(0.05)
    return b.js(script, *args) == expected


def media(b, selector):
    """{element id: SHA-256 of the bytes it shows} for the pictures or clips of the page."""
    return dict(b.driver.execute_async_script("""const done = arguments[1];
        Promise.all([...document.querySelectorAll(arguments[0])].map(c => fetch(c.src).then(r => r.arrayBuffer())
            .then(a => crypto.subtle.digest('SHA-256', a)).then(d => [c.id, [...new Uint8Array(d)]
            .map(x => x.toString(16).padStart(2, '0')).join('')]).catch(e => [c.id, String(e)]))).then(done)""", selector))


def files(quiz, key, kind):
    """{element id: SHA-256} of the files the quiz source names for its pictures or clips."""
    folder = os.path.dirname(quiz.toml)
    return {f"{kind}-{n}": hashlib.sha256(open(os.path.join(folder, q[key]), "rb").read()).hexdigest()
            for n, q in enumerate(quiz.source["question"], 1) if key in q}


def field(b, f):
    return b.driver.find_element(By.ID, f"field-{f}")


def focused(b):
    return b.js("return document.activeElement.id")


def retype(b, f, text, end=Keys.ENTER):
    element = field(b, f)
    element.click()
    element.send_keys(Keys.CONTROL, "a")
    element.send_keys(Keys.DELETE, text, end)


def verdict(b, f):
    return b.driver.find_element(By.ID, f"verdict-{f}").text


def screenshot(b, kind):
    os.makedirs(os.path.join(output, "screenshots"), exist_ok=True)
    b.js("window.scrollTo(0, 0)")
    b.driver.save_screenshot(os.path.join(output, "screenshots", kind + ".png"))


# ------------------------------------------------------------ typed answers
def variants(answer, rng):
    """What players type for `answer`: the answer in other cases and spacing, one
    and two edits, rearranged, cut, lengthened, unaccented, with Windows-1252
    signs, and a few characters the field cannot hold."""
    a, n = answer, len(answer)
    letters = "aeéèêàçiouœ€’«-' " + a
    out = [a, a.lower(), a.upper(), f"  {a}  ", f"\t{a}", a + "\u00a0", "", "   ", a[::-1], a[1:], a[:-1],
           a[: n * 4 // 5], a[: n * 4 // 5 + 1], a[: n * 3 // 4], a[n // 5:], a + " x", "le " + a,
           a + " " + "y" * 12, a + " " + "z" * 25, a * 2, a + "." * 90, "é" * 85,
           "".join(c for c in unicodedata.normalize("NFD", a) if not unicodedata.combining(c)),
           a.replace("e", "é"), a + "😀", "ā" + a[1:], a.replace("oe", "œ").upper() + "€"]
    for i in range(n):
        out += [a[:i] + a[i + 1:], a[:i] + rng.choice(letters) + a[i + 1:], a[:i] + rng.choice(letters) + a[i:],
                a[:i] + a[i + 1:i + 2] + a[i:i + 1] + a[i + 2:]]
    for i in range(3, n // 4 + 2):  # pieces around the 80 % and 75 % bounds
        out += [a[i:], a[:-i], a[i // 2:n - (i + 1) // 2]]
    for _ in range(8):
        three = list(a)
        for i in rng.sample(range(n), min(3, n)):
            three[i] = rng.choice(letters)
        out.append("".join(three))
        chars = list(a)
        rng.shuffle(chars)
        out.append("".join(chars))
        i, j = sorted(rng.sample(range(n + 1), 2))
        out.append(a[:i] + rng.choice(letters) + a[i:j] + rng.choice(letters) + a[j + 1:])
        out.append("".join(rng.choice(letters) for _ in range(rng.randint(1, n + 4))))
    return out


def bulk(b, quiz, rng):
    pairs = [(f, t) for f, (_, answer) in enumerate(quiz.fields, 1) if answer != "-" for t in variants(answer, rng)]
    pairs += [(rng.randrange(len(quiz.fields)) + 1, a) for _, a in quiz.fields if a != "-"]  # other questions' answers
    pairs = [(f, t) for f, t in pairs if quiz.fields[f - 1][1] != "-"]
    page = []
    for i in range(0, len(pairs), 400):
        page += b.js("return arguments[0].map(p => window.vyrlaJudge(p[0], p[1]))", pairs[i:i + 400])
    tried = quiz.tried(pairs)
    wrong = [(f, t, p, e) for (f, t), p, e in zip(pairs, page, tried) if p != e]
    check(f"{quiz.name}: {len(pairs)} typed answers, the page's verdicts are try's", not wrong,
          f"{len(wrong)} differ, (field, typed, page, try): {wrong[:8]}")
    return len(pairs)


# ------------------------------------------------------------ the text demo
def text_demo(b, demo):
    b.open(demo.html)
    shown = b.js("return ['title', 'author', 'link', 'footer'].map(i => document.getElementById(i).textContent)")
    check("demo: header", header(b) == [" 0 / 12", " " * 6] and shown[0] == demo.source["title"] and
          demo.source["author"] in shown[1] and shown[3] == demo.source["footer"]
          and b.js("return document.getElementById('link').href").rstrip("/") == demo.source["link"], f"{header(b)} {shown}")
    check("demo: fields are labelled and point at their verdict",
          [field(b, 3).get_attribute(a) for a in ("aria-label", "aria-describedby")] == ["Question 3, réponse", "verdict-3"])
    field(b, 1).click()
    field(b, 1).send_keys("méditerranée", Keys.ENTER)  # é and É are the same letter
    check("Enter judges", verdict(b, 1) == "BRAVO" and header(b) == [" 1 / 12", "M"], f"{verdict(b, 1)} {header(b)}")
    field(b, 1).send_keys(Keys.TAB)
    check("Tab moves to the next field", focused(b) == "field-2", focused(b))
    b.driver.switch_to.active_element.send_keys("  MONT blanc ", Keys.TAB)
    check("leaving a field judges it", verdict(b, 2) == "BRAVO" and focused(b) == "field-3", f"{verdict(b, 2)} {focused(b)}")
    b.driver.switch_to.active_element.send_keys("Loir", Keys.ENTER)
    told = "return document.getElementById('announce').textContent.includes('Quasiment')"
    check("a near miss, told to the live region", verdict(b, 3) == "Quasiment" and until(b, told, True),
          b.js("return document.getElementById('announce').textContent"))
    b.driver.switch_to.active_element.send_keys(Keys.SHIFT, Keys.TAB)
    check("Shift+Tab moves back", focused(b) == "field-2", focused(b))
    retype(b, 4, "camembert", Keys.F1)
    s = consistent(b, demo, "F1")
    check("F1 tries the text in every field not yet right",
          [t for _, t, _ in s] == ["méditerranée", "  MONT blanc "] + ["camembert"] * 10 and verdict(b, 11) == "BRAVO",
          str(s))
    # Windows-1252 signs beyond Latin-1 (’ œ €), kept through saving and loading.
    retype(b, 12, "Jeanne d’Arc")
    retype(b, 5, "Œuvre à 5 €")
    retype(b, 6, "Charles de Gau")
    before = consistent(b, demo, "typed answers")
    b.driver.refresh()
    b.wait_ready()
    check("a reload restores the answers and their verdicts", state(b) == before and header(b) == [" 3 / 12", "MAR"],
          f"{state(b)} {header(b)}")
    return before


def saving(b, demo, s):
    expected = b"".join(t.encode("cp1252") + b"\r\n" for _, t, _ in s)
    name = b.js("return document.querySelector('meta[name=\"vyrla-answers\"]').content")
    check("the answers file is named after the page", name == "demo.txt", name)
    keys = (lambda: b.driver.find_element(By.ID, "save").click(), lambda: field(b, 7).send_keys(Keys.F2))
    for how, action in zip(("Sauver", "F2"), keys):
        got, data = b.download(action)
        check(f"{how} downloads {name}: Windows-1252, a CR LF line per field", (got, data) == (name, expected),
              f"{got}: {data!r}\nexpected {expected!r}")
    saved = os.path.join(work, name)
    with open(saved, "wb") as f:
        f.write(data)
    row = demo.collected(saved)
    check("collect reads the saved file as the page shows it", row == [header(b)[0].split("/")[0].strip(),
          [t for _, t, _ in s], [v for _, _, v in s], header(b)[1].strip(), ""], str(row))
    # Loaded back: a file as a classmate's player wrote it, and files from elsewhere, read as the player reads them.
    lines = [a for _, a in demo.fields]
    lines[2], lines[8], lines[11] = "LOIRE ", "Moliere", "Jeanne d’Arc"
    loaded = {"a player's": b"".join(t.encode("cp1252") + b"\r\n" for t in lines),
              "UTF-8, LF line ends": "\ufeffMéditerranée\nMont Blanc\n".encode(),
              "long lines, a CR alone": b"Loire" * 20 + b"\r\n\r\nLoire\rMont Blanc\r\n" + b"x\x00Loire\r\n"}
    for n, (what, data) in enumerate(loaded.items()):
        path = os.path.join(work, f"loaded{n}.txt")
        with open(path, "wb") as f:
            f.write(data)
        first = "return document.getElementById('field-1').value"
        before = b.js(first)  # each file starts with another line
        b.driver.find_element(By.ID, "load-file").send_keys(path)
        until(b, first + " !== arguments[0]", True, before)
        s, typed = consistent(b, demo, f"loaded file, {what}"), demo.collected(path)[1]
        check(f"loaded file, {what}: the fields hold what collect reads (less line breaks, which a field cannot show)",
              [t for _, t, _ in s] == [t.replace("\n", "") for t in typed], f"page {s}\ncollect {typed}")
    b.driver.refresh()
    b.wait_ready()
    check("a loaded file is kept over a reload", state(b) == s, str(state(b)))


def two_fields(b):
    # Named as the text demo's page is, in another folder: the same answers file name.
    os.makedirs(os.path.join(work, "other"))
    quiz = Quiz("tests/native/data/picture_quiz", "two-fields", "other/demo.html")
    b.open(quiz.html)
    shown = b.js("return [...document.querySelectorAll('input[id^=\"field-\"]')].map(i => [i.value, !!i.offsetParent])")
    check("two fields: another quiz's answers are not restored here, though its answers file has the same name;"
          " a hidden second field is not shown and holds \"-\"", shown == [["", True]] * 3 + [["-", False]]
          + [["", True]] * 3 + [["-", False]], str(shown))
    retype(b, 1, "bleu")
    retype(b, 2, "France")
    retype(b, 3, "Orangé")
    consistent(b, quiz, "two fields")
    _, data = b.download(lambda: b.driver.find_element(By.ID, "save").click())
    check("two fields: the saved file holds \"-\" for a hidden field",
          data == b"bleu\r\nFrance\r\nOrang\xe9\r\n-\r\n\r\n\r\n\r\n-\r\n", repr(data))
    return quiz


# ------------------------------------------------------------ pictures and clips
def pictures(b, quiz):
    b.open(quiz.html)
    decoded = "return [...document.querySelectorAll('img[id^=\"picture-\"]')].map(i => i.complete && i.naturalWidth > 0)"
    check("pictures: all nine decode (JPEG, GIF, BMP, PNG)", until(b, decoded, [True] * 9), str(b.js(decoded)))
    check("pictures: each is its file's bytes", media(b, "img") == files(quiz, "picture", "picture"))
    for f, text in ((1, "France"), (2, "italie"), (3, "Allemagne"), (5, "Pays-Bas"), (7, "Suède"), (7, "Suede")):
        retype(b, f, text)
    consistent(b, quiz, "pictures")
    check("pictures: a right answer shows the hint and the solved picture, a wrong one hides the hint",
          b.js("return ['hint-1', 'hint-7'].map(h => document.getElementById(h).hidden)") == [False, True]
          and media(b, "#picture-1")["picture-1"] == files(quiz, "solved_picture", "picture")["picture-1"]
          and until(b, decoded, [True] * 9))
    y = "return [1, 4, 5, 6].map(f => document.getElementById('field-' + f).getBoundingClientRect().top + scrollY)"
    before = b.js(y)
    screenshot(b, "picture")
    b.driver.find_element(By.ID, "hide-solved").click()
    rows = b.js("""return [1, 2, 3, 4, 5, 6].map(n => { const r = document.querySelector('.row[data-n="' + n + '"]');
        return [r.classList.contains('collapsed'), r.closest('.band').classList.contains('closed')]; })""")
    check("Cacher: solved rows collapse, a band of three solved rows closes",
          rows == [[True, True]] * 3 + [[False, False], [True, False], [False, False]], str(rows))
    shown = [b.driver.find_element(By.ID, i).is_displayed() for i in ("picture-5", "hint-5", "field-5", "field-1", "picture-4")]
    check("Cacher: a collapsed row keeps its field, not its picture and hint", shown == [False, False, True, True, True], str(shown))
    after = b.js(y)
    check("Cacher: the fields below move up, and a collapsed row's field too",
          after[1] < before[1] and after[2] < min(before[2], after[1]), f"{before} -> {after}")
    b.driver.find_element(By.ID, "hide-solved").click()
    check("Cacher unticked: the rows come back where they were", b.js(y) == before, f"{before} -> {b.js(y)}")


def clips(b, quiz, kind, playable):
    b.open(quiz.html)
    tags = b.js("""return [...Array(arguments[0]).keys()].map(i => { const c = document.getElementById('clip-' + (i + 1));
        return c ? (c.classList.contains('no-clip') ? (c.textContent.trim() ? 'no-clip' : 'empty no-clip') : c.tagName.toLowerCase()) : null; })""",
                len(playable))
    check(f"{kind}: clips the browser plays are players, the others a line of text", tags == playable, str(tags))
    # A player whose data the browser cannot decode never learns its duration.
    durations = b.driver.execute_async_script("""Promise.all([...document.querySelectorAll('audio, video')].map(c =>
        new Promise(done => { c.onloadedmetadata = () => done(c.duration); c.onerror = () => done(-1); c.preload = 'auto';
        c.load(); }))).then(arguments[0])""")
    check(f"{kind}: every player's clip decodes", all(d and d > 0 for d in durations), str(durations))
    expected = {c: h for c, h in files(quiz, "clip", "clip").items() if playable[int(c[5:]) - 1] != "no-clip"}
    check(f"{kind}: each player's clip is its file's bytes", media(b, "audio, video") == expected)
    screenshot(b, kind)


def modes(b, sound):
    """The hint area in the modes the demos leave out, on copies of the sound demo (mode 2): every hint once
    every answer is right (4), the answer's word count, kept (5), the word count, then the hint (7)."""
    answers = [q["answer"] for q in sound.source["question"]]
    hints = [q["hint"] for q in sound.source["question"]]
    words = [f"en {n} mot" + "s" * (n > 1) for n in (sum(a.count(c) for c in " -'") + 1 for a in answers)]
    expected = {4: ([[True, h] for h in hints], [[False, h] for h in hints]),
                5: ([[False, w] for w in words],) * 2,
                # As in the player, an area a wrong answer hid stays hidden: a right one only writes the hint.
                7: ([[False, hints[0]], [True, hints[1]]] + [[False, w] for w in words[2:]],
                    [[False, h] for h in hints[:1]] + [[True, hints[1]]] + [[False, h] for h in hints[2:]])}
    for mode, (partly, all_right) in expected.items():
        folder = shutil.copytree(os.path.dirname(sound.toml), os.path.join(work, f"mode{mode}"))
        source = open(sound.toml, encoding="utf-8").read().replace("mode = 2", f"mode = {mode}")
        with open(os.path.join(folder, "quiz.toml"), "w", encoding="utf-8") as f:
            f.write("\n".join(l for l in source.split("\n") if mode != 5 or not l.startswith("hint")))
        b.open(Quiz(folder, f"mode{mode}").html)
        shown = "return [1, 2, 3, 4, 5, 6].map(n => [document.getElementById('hint-' + n).hidden, document.getElementById('hint-' + n).textContent])"
        b.js("vyrlaJudge(1, arguments[0]); vyrlaJudge(2, arguments[1]); vyrlaJudge(2, 'x')", answers[0], answers[1])
        check(f"mode {mode}: hints with one answer right and one wrong", b.js(shown) == partly, str(b.js(shown)))
        b.js("arguments[0].forEach((a, i) => vyrlaJudge(i + 1, a))", answers)
        check(f"mode {mode}: hints with every answer right", b.js(shown) == all_right, str(b.js(shown)))


def video_quiz(b):
    """The video demo with a fourth clip a browser plays: WebM, recorded from a canvas by the browser itself."""
    b.driver.get("about:blank")
    webm = b.driver.execute_async_script("""const done = arguments[0], canvas = document.createElement('canvas');
        canvas.width = 64; canvas.height = 48;
        const paint = canvas.getContext('2d'), recorder = new MediaRecorder(canvas.captureStream(10)), parts = [];
        recorder.ondataavailable = e => parts.push(e.data);
        recorder.onstop = () => new Blob(parts).arrayBuffer().then(a => done([...new Uint8Array(a)]));
        let i = 0;
        const tick = setInterval(() => { paint.fillStyle = i++ % 2 ? 'red' : 'blue'; paint.fillRect(0, 0, 64, 48); }, 50);
        recorder.start();
        setTimeout(() => { clearInterval(tick); recorder.stop(); }, 500);""")
    folder = shutil.copytree(os.path.join(root, "quizzes/video"), os.path.join(work, "video"))
    with open(os.path.join(folder, "clips", "couleurs.webm"), "wb") as f:
        f.write(bytes(webm))
    with open(os.path.join(folder, "quiz.toml"), "a") as f:
        f.write('\n[[question]]\nanswer = "bleu"\nclip = "clips/couleurs.webm"\n')
    return Quiz(folder, "video")


def main():
    start = time.time()
    downloads = os.path.join(work, "downloads")
    os.makedirs(downloads)
    demo, flags = Quiz("quizzes/demo", "demo"), Quiz("quizzes/pictures", "pictures")
    sound = Quiz("quizzes/sound", "sound")
    b = Browser(downloads)
    try:
        video = video_quiz(b)
        s = text_demo(b, demo)
        screenshot(b, "text")
        saving(b, demo, s)
        two = two_fields(b)
        pictures(b, flags)
        modes(b, sound)
        clips(b, sound, "sound", ["audio", "audio", "no-clip", "audio", "audio", "no-clip"])
        clips(b, video, "video", ["no-clip"] * 3 + ["video"])
        rng = random.Random(1252)
        judged = 0
        for quiz in (demo, flags, sound, video, two):
            b.open(quiz.html)
            judged += bulk(b, quiz, rng)
        print(f"{judged} answers judged by the page and by try")
    finally:
        b.quit()
        shutil.rmtree(work, ignore_errors=True)
    print(f"{passed} passed, {failed} failed in {time.time() - start:.0f} s")
    return 1 if failed else 0


sys.exit(main())
