// The workbooks: tabs, sheets as grids (shown values, formulas, the captured
// table's marks, how far rounded cells moved), selecting cells (also into the
// reference boxes of a dialog), and the files of the working folder.
'use strict';
((Q) => {
  const {$, el, request, send, ask, toast, token} = Q;

  const UPLOAD_LIMIT = 64 * 1024 * 1024;
  const view = {book: null, sheet: 0, sheets: {}};
  let lastActive = null;
  let sheetKey = '', sheetLoading = false;
  let filesKey = '';
  let selection = null;  // {r1, c1, r2, c2} on the shown sheet
  let shown = null;      // the sheet data shown in the first pane

  // ---- workbooks -------------------------------------------------------------------
  function bookOf(name) { return (Q.state.books || []).find((b) => b.name === name); }

  function showBook(name, sheet) {
    view.book = name;
    const b = bookOf(name);
    if (sheet === undefined) sheet = view.sheets[name] !== undefined ? view.sheets[name] : (b && b.activeSheet) || 0;
    view.sheet = sheet;
    view.sheets[name] = sheet;
    selection = null;
    if (!(Q.state.windows || []).length && b) {
      ask({do: 'activate', book: name, sheet: b.sheets[sheet]});
    }
    Q.render();
  }

  function renderBooks() {
    const books = Q.state.books || [];
    if (Q.state.activeBook !== lastActive) {
      // A command made or switched workbooks: show the active one.
      lastActive = Q.state.activeBook;
      const active = bookOf(Q.state.activeBook);
      if (active) {
        view.book = active.name;
        view.sheet = active.activeSheet || 0;
        view.sheets[active.name] = view.sheet;
      }
    }
    if (!bookOf(view.book)) {
      view.book = books.length ? (bookOf(Q.state.activeBook) || books[0]).name : null;
      view.sheet = 0;
    }
    const tabs = $('booktabs');
    tabs.textContent = '';
    for (const b of books) {
      const tab = el('button', {type: 'button', class: 'tab', role: 'tab',
        'aria-selected': String(b.name === view.book), title: bookTitle(b)}, b.name);
      if (b.role === 'rounded') tab.append(el('span', {class: 'role', text: 'rounded'}));
      if (b.role === 'intervals') tab.append(el('span', {class: 'role intervals', text: 'intervals'}));
      if (b.active) tab.append(el('span', {class: 'active', title: 'the active workbook', text: '\u25CF'}));
      tab.addEventListener('click', () => showBook(b.name));
      tabs.append(tab);
    }
    const sheets = $('sheettabs');
    sheets.textContent = '';
    const book = bookOf(view.book);
    if (book) {
      book.sheets.forEach((name, i) => {
        const tab = el('button', {type: 'button', class: 'tab', role: 'tab', 'aria-selected': String(i === view.sheet)}, name);
        tab.addEventListener('click', () => showBook(book.name, i));
        sheets.append(tab);
      });
    }
    $('welcome').hidden = books.length > 0;
    $('panes').hidden = books.length === 0;
    $('download').disabled = !book;
    $('besidebox').hidden = !(book && book.partner);
  }

  function bookTitle(b) {
    const lines = [];
    if (b.role === 'rounded') lines.push(`The rounding of ${b.source}` + (b.base ? ` to multiples of ${b.base}` : ''));
    if (b.role === 'intervals') lines.push(`The protection intervals of the rounding of ${b.source}`);
    if (b.role === 'made') lines.push('Made by the last command');
    if (b.file) lines.push(`File: ${b.file}`);
    if (b.unsaved) lines.push('Changed since it was saved');
    return lines.join('\n');
  }

  function loadSheetIfNeeded() {
    const book = bookOf(view.book);
    if (!book) { shown = null; return; }
    const partner = book.partner && $('beside').checked ? bookOf(book.partner) : null;
    const serials = (Q.state.windows || []).map((w) => w.serial);
    const key = JSON.stringify([view.book, view.sheet, partner && partner.name, Q.state.changes,
      serials, Q.state.lastCommand, Q.state.captured]);
    if (key === sheetKey || sheetLoading) return;
    sheetLoading = true;
    (async () => {
      const one = await request(`/api/sheet?book=${encodeURIComponent(book.name)}&index=${view.sheet}`);
      let two = null;
      if (partner && view.sheet < partner.sheets.length)
        two = await request(`/api/sheet?book=${encodeURIComponent(partner.name)}&index=${view.sheet}`);
      sheetLoading = false;
      if (one.status === 503) return;  // busy: tried again with the next Q.state
      sheetKey = key;
      if (one.body && !one.body.error) {
        shown = one.body;
        drawGrid($('grid1'), one.body, true);
        $('pane1title').textContent = `${book.name}: ${one.body.sheet}` + (book.file ? `  (file ${book.file})` : '');
      } else if (one.body) {
        toast(one.body.error);
      }
      $('pane2').hidden = !(two && two.body && !two.body.error);
      if (two && two.body && !two.body.error) {
        drawGrid($('grid2'), two.body, false);
        $('pane2title').textContent = `${partner.name}: ${two.body.sheet}` + (partner.file ? `  (file ${partner.file})` : '');
      }
      drawLegend();
      if (sheetKey !== key) loadSheetIfNeeded();
    })().catch(() => { sheetLoading = false; });
  }

  function columnName(c) {
    let s = '';
    for (let n = c + 1; n > 0; n = Math.floor((n - 1) / 26)) s = String.fromCharCode(65 + (n - 1) % 26) + s;
    return s;
  }
  const a1 = (r, c) => columnName(c) + (r + 1);

  const markText = {part: 'a cell of an equation', total: 'a total of an equation',
    free: 'a number in no equation: it is not rounded', kept: 'a formula that is no sum of table cells: kept as it is'};

  function drawGrid(host, data, selectable) {
    const rows = Math.max(data.rows + 2, 20), cols = Math.max(data.cols + 1, 6);
    const byPos = new Map();
    for (const c of data.cells) byPos.set(c.r * 256 + c.c, c);
    let base = data.base || 0;
    if (!base) for (const c of data.cells) if (c.d !== undefined) base = Math.max(base, Math.abs(c.d));
    const table = el('table');
    const head = el('tr', null, el('th', {class: 'corner rowhead'}));
    for (let c = 0; c < cols; ++c) head.append(el('th', {text: columnName(c)}));
    table.append(el('thead', null, head));
    const body = el('tbody');
    for (let r = 0; r < rows; ++r) {
      const tr = el('tr', null, el('th', {class: 'rowhead', text: String(r + 1)}));
      for (let c = 0; c < cols; ++c) {
        const cell = byPos.get(r * 256 + c);
        const td = document.createElement('td');
        td.dataset.r = r;
        td.dataset.c = c;
        if (cell) {
          td.textContent = cell.t;
          const classes = [cell.k];
          if (cell.f) classes.push('f');
          if (cell.m) classes.push('m-' + cell.m);
          if (cell.color) classes.push('color-' + cell.color);
          td.className = classes.join(' ');
          const tip = [a1(r, c) + (cell.f ? '  ' + cell.f : '')];
          if (cell.fmt) tip.push('number format ' + cell.fmt);
          if (cell.m) tip.push(markText[cell.m]);
          if (cell.d !== undefined) {
            const share = base ? Math.min(1, Math.abs(cell.d) / base) : 1;
            td.style.backgroundColor = `rgba(232, 114, 12, ${(0.12 + 0.73 * share).toFixed(3)})`;
            td.dataset.moved = cell.d;
            tip.push(`was ${cell.o}, moved by ${cell.d > 0 ? '+' : ''}${+cell.d.toPrecision(12)}` +
              (data.base ? ` (${+(Math.abs(cell.d) / data.base).toFixed(2)} of the base)` : ''));
          }
          td.title = tip.join('\n');
        }
        tr.append(td);
      }
      body.append(tr);
    }
    table.append(body);
    host.textContent = '';
    host.append(table);
    if (data.truncated) host.append(el('div', {class: 'panetitle', text: 'Only the first rows are shown.'}));
    host.data = data;
    if (selectable) paintSelection();
  }

  function drawLegend() {
    const legend = $('legend');
    legend.textContent = '';
    if (!shown) return;
    if (shown.marked) {
      legend.append('The captured table:',
        el('span', {class: 'key m-part'}), 'cell of an equation',
        el('span', {class: 'key m-total'}), 'total',
        el('span', {class: 'key m-free'}), 'number in no equation (not rounded)',
        el('span', {class: 'key m-kept'}), 'formula kept as it is');
    }
    if (shown.compared) {
      const moved = shown.cells.filter((c) => c.d !== undefined).length;
      legend.append(`Compared with the original: ${moved} cell${moved === 1 ? '' : 's'} changed,`,
        el('span', {class: 'key moved1'}), 'moved a little',
        el('span', {class: 'key moved2'}), shown.base ? `moved by the whole base (${shown.base})` : 'moved the most');
    }
  }

  // ---- selecting cells (and filling reference boxes) ----------------------------------
  let dragging = null;
  function cellOf(target) {
    const td = target.closest && target.closest('#grid1 td');
    return td ? {r: +td.dataset.r, c: +td.dataset.c} : null;
  }
  function paintSelection() {
    for (const td of document.querySelectorAll('#grid1 td.sel')) td.classList.remove('sel');
    if (!selection) { $('cellref').textContent = ''; $('cellformula').textContent = ''; return; }
    const {r1, c1, r2, c2} = norm(selection);
    for (const td of document.querySelectorAll('#grid1 td')) {
      const r = +td.dataset.r, c = +td.dataset.c;
      if (r >= r1 && r <= r2 && c >= c1 && c <= c2) td.classList.add('sel');
    }
    const cell = shown && shown.cells.find((x) => x.r === selection.r1 && x.c === selection.c1);
    $('cellref').textContent = r1 === r2 && c1 === c2 ? a1(r1, c1) : `${a1(r1, c1)}:${a1(r2, c2)}`;
    $('cellformula').textContent = cell ? (cell.f || cell.t) : '';
  }
  function norm(s) {
    return {r1: Math.min(s.r1, s.r2), c1: Math.min(s.c1, s.c2), r2: Math.max(s.r1, s.r2), c2: Math.max(s.c1, s.c2)};
  }
  const grid1 = $('grid1');
  grid1.addEventListener('mousedown', (e) => {
    const at = cellOf(e.target);
    if (!at || e.button !== 0) return;
    e.preventDefault();
    if (e.shiftKey && selection) selection = {r1: selection.r1, c1: selection.c1, r2: at.r, c2: at.c};
    else selection = {r1: at.r, c1: at.c, r2: at.r, c2: at.c};
    dragging = true;
    paintSelection();
  });
  grid1.addEventListener('mouseover', (e) => {
    if (!dragging) return;
    const at = cellOf(e.target);
    if (!at) return;
    selection.r2 = at.r;
    selection.c2 = at.c;
    paintSelection();
  });
  document.addEventListener('mouseup', () => {
    if (!dragging) return;
    dragging = false;
    commitSelection();
  });
  grid1.addEventListener('keydown', (e) => {
    if (!selection || !e.key.startsWith('Arrow')) return;
    e.preventDefault();
    const d = {ArrowUp: [-1, 0], ArrowDown: [1, 0], ArrowLeft: [0, -1], ArrowRight: [0, 1]}[e.key];
    const r = Math.max(0, selection.r2 + d[0]), c = Math.max(0, selection.c2 + d[1]);
    selection = e.shiftKey ? {r1: selection.r1, c1: selection.c1, r2: r, c2: c} : {r1: r, c1: c, r2: r, c2: c};
    paintSelection();
    clearTimeout(grid1.commitTimer);
    grid1.commitTimer = setTimeout(commitSelection, 400);
  });

  async function commitSelection() {
    const book = bookOf(view.book);
    if (!selection || !book) return;
    const s = norm(selection);
    const top = Q.topWindow();
    if (top) {
      if (!Q.refRowOf(top)) return;  // a window is open: the selection only shows
      const r = await send({do: 'reference', book: book.name, sheet: book.sheets[view.sheet],
        r1: s.r1, c1: s.c1, r2: s.r2, c2: s.c2});
      if (r.error) toast(r.error);
      return;
    }
    const range = s.r1 === s.r2 && s.c1 === s.c2 ? a1(s.r1, s.c1) : `${a1(s.r1, s.c1)}:${a1(s.r2, s.c2)}`;
    ask({do: 'select', book: book.name, sheet: book.sheets[view.sheet], range});
  }

  $('beside').addEventListener('change', () => { sheetKey = ''; loadSheetIfNeeded(); });

  // ---- files, upload, download ----------------------------------------------------------
  function fileLink(name, text) {
    return el('a', {href: `/api/file?name=${encodeURIComponent(name)}&token=${token}`, download: name,
      text: text || 'Download', title: `Download ${name}`});
  }
  function download(name) {
    const a = fileLink(name);
    document.body.append(a);
    a.click();
    a.remove();
  }
  async function downloadShown() {
    if (!view.book) return;
    const r = await ask({do: 'save', book: view.book});
    if (r.file) { download(r.file); filesKey = ''; }
  }
  $('download').addEventListener('click', downloadShown);

  async function closeShown() {
    const b = bookOf(view.book);
    if (!b) return;
    if (b.unsaved && !confirm(`${b.name} has changes that are not saved. Close it anyway?`)) return;
    ask({do: 'close', book: b.name});
  }

  const openable = (name) => /\.(xlsx|csv|txt)$/i.test(name);
  async function openFile(name) {
    const r = await ask({do: 'open', name});
    if (r.book) toast(`Opened ${name} as the workbook ${r.book}.`, true);
  }

  let folderFiles = [];
  function loadFilesIfNeeded(force) {
    const key = JSON.stringify([Q.state.lastCommand, (Q.state.books || []).map((b) => [b.name, b.file])]);
    if (!force && key === filesKey) return;
    filesKey = key;
    request('/api/files').then(({body}) => {
      if (!body || !body.files) return;
      folderFiles = body.files;
      const fresh = new Set(((Q.state.lastCommand || {}).saved || []).map((s) => s.file));
      const list = $('files');
      list.textContent = '';
      for (const f of body.files) {
        const li = el('li', {class: fresh.has(f.name) ? 'fresh' : ''},
          el('span', {class: 'name', title: f.name, text: f.name}),
          el('span', {class: 'size', text: sizeText(f.size)}));
        if (openable(f.name)) li.append(el('button', {type: 'button', text: 'Open', onclick: () => openFile(f.name)}));
        li.append(fileLink(f.name));
        list.append(li);
      }
    });
  }
  function sizeText(n) {
    return n < 1024 ? `${n} B` : n < 1048576 ? `${(n / 1024).toFixed(1)} KB` : `${(n / 1048576).toFixed(1)} MB`;
  }

  $('upload').addEventListener('click', () => $('uploadfile').click());
  $('uploadfile').addEventListener('change', async () => {
    const file = $('uploadfile').files[0];
    $('uploadfile').value = '';
    if (!file) return;
    if (file.size > UPLOAD_LIMIT) {
      toast(`${file.name} is larger than the 64 MB the server accepts.`);
      return;
    }
    const {status, body} = await request(`/api/upload?name=${encodeURIComponent(file.name)}`,
      {method: 'POST', body: file, headers: {'Content-Type': 'application/octet-stream'}});
    if (status === 413) { toast(`${file.name} is larger than the 64 MB the server accepts.`); return; }
    if (!body) { toast('The upload failed.'); return; }
    filesKey = '';
    if (body.error) toast((body.stored ? `Stored as ${body.stored}, but: ` : '') + body.error);
    else toast(`Stored as ${body.stored} in the working folder and opened.`, true);
  });

  function openFromFolder() {
    const names = folderFiles.filter((f) => openable(f.name));
    const dlg = el('div', {class: 'window', role: 'dialog', 'aria-label': 'Open from Folder'});
    const close = () => { dlg.remove(); };
    const list = el('div', {class: 'filelist'});
    let chosen = null;
    const input = el('input', {type: 'text', 'aria-label': 'File name'});
    for (const f of names) {
      const row = el('div', {text: f.name, tabindex: '0'});
      row.addEventListener('click', () => {
        for (const x of list.children) x.classList.remove('chosen');
        row.classList.add('chosen');
        chosen = f.name;
        input.value = f.name;
      });
      row.addEventListener('dblclick', () => { close(); openFile(f.name); });
      list.append(row);
    }
    const go = () => { const name = input.value || chosen; if (name) { close(); openFile(name); } };
    dlg.append(el('div', {class: 'wtitle', text: 'Open from Folder'}),
      el('div', {class: 'filedlg'}, el('div', {text: 'Workbooks in the working folder:'}), list,
        el('label', null, 'File name:', input)),
      el('div', {class: 'wfoot'}, el('button', {type: 'button', class: 'default', text: 'Open', onclick: go}),
        el('button', {type: 'button', text: 'Cancel', onclick: close})));
    dlg.addEventListener('keydown', (e) => {
      if (e.key === 'Escape') { e.preventDefault(); close(); }
      if (e.key === 'Enter') { e.preventDefault(); go(); }
    });
    dlg.style.zIndex = 60;
    document.body.append(dlg);
    input.focus();
  }

  Object.assign(Q, {renderBooks, loadSheetIfNeeded, loadFilesIfNeeded, openFromFolder, downloadShown, closeShown});
})(window.Quorant);
