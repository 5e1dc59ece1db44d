// The page's script: builds the rows from what the quiz module says, passes
// every keystroke to it and shows the state it returns. Judging, loading
// the quiz and the answers file all happen in the module.
(function () {
  'use strict';
  var kindPicture = 1, kindSound = 2, kindVideo = 3;
  var quiz = null;
  var shown = null;          // the state last shown
  var storageKey = '';
  var answersName = 'reponses.txt';
  var byId = function (id) { return document.getElementById(id); };

  function copyIn(bytes) {
    var at = _malloc(bytes.length || 1);
    HEAPU8.set(bytes, at);
    return at;
  }

  function withText(text, use) {
    var size = lengthBytesUTF8(text) + 1;
    var at = _malloc(size);
    stringToUTF8(text, at, size);
    try { return use(at); } finally { _free(at); }
  }

  // Bytes that a module function hands back, with their length written to
  // the size_t whose address it is given.
  function bytesOut(call) {
    var sizeAt = _malloc(4);
    var at = call(sizeAt);
    var size = HEAPU32[sizeAt >> 2];
    _free(sizeAt);
    return at ? HEAPU8.slice(at, at + size) : null;
  }

  function json(at) { return JSON.parse(UTF8ToString(at)); }

  function base64Bytes(text) {
    var binary = atob(text.replace(/\s+/g, ''));
    var bytes = new Uint8Array(binary.length);
    for (var i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
    return bytes;
  }

  // Answers are kept per quiz: the answers file's name and the quiz's bytes.
  function quizKey(name, bytes) {
    var hash = 2166136261;
    for (var i = 0; i < bytes.length; ++i) hash = Math.imul(hash ^ bytes[i], 16777619) >>> 0;
    return 'vyrla:' + name + ':' + hash.toString(16);
  }

  function storedAnswers() {
    try {
      var kept = localStorage.getItem(storageKey);
      if (kept === null) return new Uint8Array(0);
      var bytes = new Uint8Array(kept.length);
      for (var i = 0; i < kept.length; ++i) bytes[i] = kept.charCodeAt(i) & 0xFF;
      return bytes;
    } catch (e) { return new Uint8Array(0); }
  }

  function answersBytes() { return bytesOut(_vyrlaAnswers); }

  function keepAnswers() {
    var bytes = answersBytes();
    var text = '';
    for (var i = 0; i < bytes.length; ++i) text += String.fromCharCode(bytes[i]);
    try { localStorage.setItem(storageKey, text); } catch (e) { /* private mode: nothing kept */ }
  }

  function element(tag, attributes, text) {
    var node = document.createElement(tag);
    for (var name in attributes) node.setAttribute(name, attributes[name]);
    if (text !== undefined) node.textContent = text;
    return node;
  }

  // ---- the rows -----------------------------------------------------------

  function fieldNumber(n, k) { return quiz.fieldsPerQuestion * (n - 1) + k; }

  function answerField(n, k) {
    var f = fieldNumber(n, k);
    var caption = quiz.fieldsPerQuestion === 2 ? (k === 1 ? quiz.caption1 : quiz.caption2) : '';
    var label = 'Question ' + n + ', ' + (caption ? caption.trim() || 'réponse ' + k : 'réponse');
    var input = element('input', {
      id: 'field-' + f, 'class': 'answer', type: 'text', maxlength: '80', autocomplete: 'off',
      autocapitalize: 'off', spellcheck: 'false', 'aria-label': label, 'aria-describedby': 'verdict-' + f
    });
    input.addEventListener('input', function () { setText(f, input.value); keepAnswers(); });
    input.addEventListener('keydown', function (event) { onKey(event, f); });
    input.addEventListener('blur', function () { judge(f); });
    var verdict = element('output', { id: 'verdict-' + f, 'class': 'verdict' }, '?');
    return { input: input, verdict: verdict, hidden: k === 2 && quiz.questions[n - 1].secondHidden };
  }

  function buildTextRow(rows, n) {
    var row = element('div', { 'class': 'row text-row', 'data-n': String(n) });
    row.appendChild(element('span', { 'class': 'number', id: 'number-' + n }, n + '.'));
    row.appendChild(element('span', { 'class': 'prompt', id: 'prompt-' + n }, quiz.questions[n - 1].prompt));
    var field = answerField(n, 1);
    row.appendChild(field.input);
    row.appendChild(field.verdict);
    rows.appendChild(row);
  }

  function buildMedia(n, question) {
    var media = element('div', { 'class': 'media' });
    if (quiz.kind === kindPicture) {
      media.style.height = Math.max(question.bandHeight, 20) + 'px';
      if (question.picture) {
        var picture = element('img', { id: 'picture-' + n, alt: 'Image de la question ' + n, decoding: 'async' });
        if (question.width > 0) { picture.width = question.width; picture.height = question.height; }
        else picture.style.maxWidth = '260px';
        media.appendChild(picture);
      }
    } else if (!question.clip) {
      media.appendChild(element('p', { id: 'clip-' + n, 'class': 'no-clip' }, 'Pas de clip pour cette question.'));
    } else if (!question.clipType) {
      media.appendChild(element('p', { id: 'clip-' + n, 'class': 'no-clip' },
        'Ce clip (' + question.clipFormat + ') ne se lit pas dans un navigateur.'));
    } else {
      var clip = element(quiz.kind === kindVideo ? 'video' : 'audio',
        { id: 'clip-' + n, controls: '', preload: 'none', 'aria-label': 'Clip de la question ' + n });
      // A format the browser knows with a codec it lacks: a line, not a dead player.
      clip.addEventListener('error', function () {
        clip.replaceWith(element('p', { id: 'clip-' + n, 'class': 'no-clip' },
          'Ce clip (' + question.clipFormat + ') ne se lit pas dans ce navigateur.'));
      });
      media.appendChild(clip);
    }
    return media;
  }

  function buildBandRow(band, n) {
    var question = quiz.questions[n - 1];
    var row = element('div', { 'class': 'row band-row', 'data-n': String(n) });
    row.appendChild(buildMedia(n, question));
    var answers = element('div', { 'class': 'answers' });
    for (var k = 1; k <= quiz.fieldsPerQuestion; ++k) {
      var field = answerField(n, k);
      if (quiz.fieldsPerQuestion === 2 && (n - 1) % 3 === 0) {
        answers.appendChild(element('span', { 'class': 'caption', 'aria-hidden': 'true' }, k === 1 ? quiz.caption1 : quiz.caption2));
      }
      var number = element('span', { 'class': 'number' }, k === 1 ? n + '.' : '');
      if (k === 1) number.id = 'number-' + n;
      answers.appendChild(number);
      answers.appendChild(field.input);
      answers.appendChild(field.verdict);
      if (field.hidden) { field.input.hidden = true; field.verdict.hidden = true; }
    }
    row.appendChild(answers);
    if (quiz.hints) {
      var area = element('div', { 'class': 'hint-area' });
      area.appendChild(element('p', { id: 'hint-' + n, 'class': 'hint', hidden: '' }));
      row.appendChild(area);
    }
    band.appendChild(row);
  }

  function buildRows() {
    var rows = byId('rows');
    rows.style.setProperty('--quiz-colour', quiz.colour);
    rows.style.setProperty('--label-colour', quiz.textColour);
    var band = null;
    for (var n = 1; n <= quiz.questionCount; ++n) {
      if (quiz.kind < kindPicture || quiz.kind > kindVideo) { buildTextRow(rows, n); continue; }
      if ((n - 1) % 3 === 0) {
        band = element('div', { 'class': 'band', id: 'band-' + ((n + 2) / 3 | 0) });
        rows.appendChild(band);
      }
      buildBandRow(band, n);
    }
  }

  // Pictures and clips leave the module when their row comes near the view,
  // the view's first, so that the page is ready before any is decoded.
  function mediaUrl(id, type) {
    var bytes = bytesOut(function (sizeAt) { return _vyrlaMedia(id, sizeAt); });
    return bytes ? URL.createObjectURL(new Blob([bytes], type ? { type: type } : {})) : '';
  }

  function fillMedia(row) {
    var n = Number(row.dataset.n);
    var question = quiz.questions[n - 1];
    var picture = byId('picture-' + n);
    if (picture && !picture.src) picture.src = mediaUrl(400 + n);
    var clip = byId('clip-' + n);
    if (clip && (clip.tagName === 'AUDIO' || clip.tagName === 'VIDEO') && !clip.src) {
      clip.src = mediaUrl(400 + n, question.clipType);
    }
  }

  function watchMedia() {
    var rows = document.querySelectorAll('.band-row');
    if (!('IntersectionObserver' in window)) { rows.forEach(fillMedia); return; }
    var observer = new IntersectionObserver(function (entries) {
      entries.forEach(function (entry) {
        if (entry.isIntersecting) { fillMedia(entry.target); observer.unobserve(entry.target); }
      });
    }, { rootMargin: '340px 0px' });
    rows.forEach(function (row) { observer.observe(row); });
  }

  // ---- showing the state ----------------------------------------------------

  var verdictClasses = { 'BRAVO': 'right', 'FAUX': 'wrong', 'Anagramme': 'anagram', '?': '' };

  function announce(text) { byId('announce').textContent = text; }

  function showState(state, announceChanges) {
    byId('score').textContent = state.score;
    byId('code').textContent = state.code;
    state.fields.forEach(function (field, i) {
      var f = i + 1;
      var input = byId('field-' + f);
      if (input.value !== field[0] && (!shown || shown.fields[i][0] !== field[0])) input.value = field[0];
      var verdict = byId('verdict-' + f);
      if (verdict.textContent !== field[1]) {
        verdict.textContent = field[1];
        var style = field[1] in verdictClasses ? verdictClasses[field[1]] : 'close';
        verdict.className = 'verdict' + (style ? ' ' + style : '');
        if (announceChanges) announce('Question ' + ((i / quiz.fieldsPerQuestion | 0) + 1) + ' : ' + field[1]);
      }
    });
    state.questions.forEach(function (question, i) {
      var n = i + 1;
      var hint = byId('hint-' + n);
      if (hint) {
        hint.hidden = !question[0];
        if (hint.textContent !== question[1]) hint.textContent = question[1];
      }
      if (question[2]) showSolvedPicture(n);
      var row = document.querySelector('.row[data-n="' + n + '"]');
      row.classList.toggle('collapsed', question[3] !== 0);
      if (n % 3 === 0 && row.parentNode.classList.contains('band')) {
        row.parentNode.classList.toggle('closed', question[3] === 2);
      }
    });
    shown = state;
  }

  function showSolvedPicture(n) {
    var question = quiz.questions[n - 1];
    var picture = byId('picture-' + n);
    if (!question.solvedPicture || (picture && picture.dataset.solved)) return;
    if (!picture) {
      picture = element('img', { id: 'picture-' + n, alt: 'Image de la question ' + n });
      document.querySelector('.row[data-n="' + n + '"] .media').appendChild(picture);
    }
    picture.dataset.solved = '1';
    picture.src = mediaUrl(10400 + n);
    if (question.solvedWidth > 0) { picture.width = question.solvedWidth; picture.height = question.solvedHeight; }
  }

  function refresh(announceChanges) { showState(json(_vyrlaState()), announceChanges); }

  // ---- what the user does ---------------------------------------------------

  function setText(f, text) { withText(text, function (at) { _vyrlaSetText(f, at); }); }

  function judge(f) {
    _vyrlaJudge(f);
    refresh(true);
    keepAnswers();
  }

  function onKey(event, f) {
    if (event.key === 'Enter') {
      event.preventDefault();
      judge(f);
    } else if (event.key === 'F1') {
      event.preventDefault();
      _vyrlaFill(f);
      refresh(true);
      keepAnswers();
    } else if (event.key === 'F2') {
      event.preventDefault();
      save();
    } else if (event.key === 'ArrowUp' || event.key === 'ArrowDown') {
      // As in the player: up and down turn the page.
      event.preventDefault();
      window.scrollBy(0, (event.key === 'ArrowUp' ? -0.9 : 0.9) * window.innerHeight);
    }
  }

  function save() {
    var url = URL.createObjectURL(new Blob([answersBytes()], { type: 'text/plain' }));
    var link = element('a', { href: url, download: answersName });
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function () { URL.revokeObjectURL(url); }, 10000);
    keepAnswers();
  }

  function restore(bytes) {
    var at = copyIn(bytes);
    _vyrlaRestore(at, bytes.length);
    _free(at);
    shown = null;
    refresh(false);
    keepAnswers();
  }

  function loadAnswersFile() {
    var chosen = byId('load-file').files[0];
    if (!chosen) return;
    chosen.arrayBuffer().then(function (buffer) { restore(new Uint8Array(buffer)); byId('load-file').value = ''; });
  }

  // ---- start ------------------------------------------------------------------

  function showHeader() {
    byId('title').textContent = quiz.title;
    byId('description').textContent = quiz.description;
    byId('author').textContent = quiz.author;
    var link = byId('link');
    link.textContent = quiz.link;
    if (/^(https?:|mailto:)/i.test(quiz.link)) link.href = quiz.link;
    byId('footer').textContent = quiz.footer;
    if (quiz.kind === kindPicture) byId('hide-solved-label').hidden = false;
    quiz.messages.forEach(function (message) {
      byId('messages').appendChild(element('p', {}, message.caption + ' : ' + message.text));
    });
  }

  function start() {
    var meta = document.querySelector('meta[name="vyrla-answers"]');
    if (meta && meta.content.indexOf('@') < 0) answersName = meta.content;
    var bytes = base64Bytes(byId('vyrla-quiz').textContent);
    storageKey = quizKey(answersName, bytes);
    var answers = storedAnswers();
    var at = copyIn(bytes), answersAt = copyIn(answers);
    var opened = _vyrlaOpen(at, bytes.length, answersAt, answers.length);
    // The module keeps its own copy of the quiz.
    _free(at);
    _free(answersAt);
    quiz = json(_vyrlaQuiz());
    if (!opened) {
      showHeader();
      return;
    }
    showHeader();
    buildRows();
    refresh(false);
    byId('save').addEventListener('click', save);
    byId('load').addEventListener('click', function () { byId('load-file').click(); });
    byId('load-file').addEventListener('change', loadAnswersFile);
    byId('hide-solved').addEventListener('change', function () {
      _vyrlaHideSolved(byId('hide-solved').checked ? 1 : 0);
      refresh(false);
    });
    document.addEventListener('keydown', function (event) {
      if (event.key === 'F2' && !(event.target instanceof HTMLInputElement)) { event.preventDefault(); save(); }
    });
    watchMedia();
    var first = byId('field-1');
    if (first && !matchMedia('(pointer: coarse)').matches) first.focus({ preventScroll: true });
    // For tests and benchmarks: judging exactly as typing and Enter do.
    window.vyrlaJudge = function (f, text) {
      var input = byId('field-' + f);
      input.value = text;
      setText(f, text);
      judge(f);
      return byId('verdict-' + f).textContent;
    };
    window.vyrlaTimings = { interactive: performance.now() };
    document.body.dataset.ready = '1';
  }

  if (runtimeInitialized) start(); else Module.onRuntimeInitialized = start;
})();
