// The page of quorant serve. It shows what the server publishes (menus,
// workbooks, windows, status, messages) and sends what the person does as
// requests; the program decides everything, the page only draws and asks.
'use strict';
(() => {
  const token = document.querySelector('meta[name="quorant-token"]').content;
  const $ = (id) => document.getElementById(id);
  const DX = 1.75, DY = 1.85;  // dialog units in pixels
  const BOX = 1.15;            // host dialog box units in pixels
  const UPLOAD_LIMIT = 64 * 1024 * 1024;

  let state = {version: 0, windows: [], books: [], menus: [], notices: []};
  const view = {book: null, sheet: 0, sheets: {}};
  let lastActive = null;
  let sheetKey = '', sheetLoading = false;
  let filesKey = '';
  let hoverStatus = null;
  let busySince = 0;
  let selection = null;  // {r1, c1, r2, c2} on the shown sheet
  let shown = null;      // the sheet data shown in the first pane

  // ---- talking to the server ------------------------------------------------
  async function request(path, options = {}) {
    const headers = Object.assign({'X-Quorant-Token': token}, options.headers || {});
    const res = await fetch(path, Object.assign({}, options, {headers}));
    let body = null;
    try { body = await res.json(); } catch (e) { body = null; }
    return {status: res.status, body};
  }

  let chain = Promise.resolve();
  function send(action) {
    const p = chain.then(async () => {
      const {status, body} = await request('/api/action', {
        method: 'POST', headers: {'Content-Type': 'application/json'}, body: JSON.stringify(action)});
      return body || {error: 'the server did not answer (' + status + ')'};
    }).catch(() => ({error: 'the server cannot be reached'}));
    chain = p.then(() => {}, () => {});
    return p;
  }

  // A request of the page (not of a window): its refusal is shown.
  async function ask(action) {
    const r = await send(action);
    if (r.error) toast(r.error);
    if (r.busy) toast('The program is still working; your request will run when it is free.', true);
    return r;
  }

  const sleep = (ms) => new Promise((ok) => setTimeout(ok, ms));

  async function poll() {
    let failures = 0;
    for (;;) {
      try {
        const wait = state.busy ? 1 : 20;
        const {status, body} = await request(`/api/state?since=${state.version}&wait=${wait}`);
        if (status !== 200 || !body) throw new Error('state');
        failures = 0;
        $('stopped').hidden = !body.stopping;
        if (body.busy && !state.busy) busySince = Date.now();
        state = body;
        render();
      } catch (e) {
        if (++failures >= 2) $('stopped').hidden = false;
        await sleep(1500);
      }
    }
  }

  let toastTimer = 0;
  function toast(text, info) {
    const t = $('toast');
    t.textContent = text;
    t.className = info ? 'info' : '';
    t.hidden = false;
    clearTimeout(toastTimer);
    toastTimer = setTimeout(() => { t.hidden = true; }, 7000);
  }

  function el(tag, props, ...children) {
    const e = document.createElement(tag);
    if (props) {
      for (const [k, v] of Object.entries(props)) {
        if (k === 'class') e.className = v;
        else if (k === 'text') e.textContent = v;
        else if (k.startsWith('on')) e.addEventListener(k.slice(2), v);
        else if (v !== undefined && v !== null && v !== false) e.setAttribute(k, v === true ? '' : v);
      }
    }
    for (const c of children) if (c !== null && c !== undefined) e.append(c);
    return e;
  }

  // "&Rounding" shown with its access key underlined.
  function accessText(text) {
    const frag = document.createDocumentFragment();
    const t = text.replace(/\s+$/, '');
    for (let i = 0; i < t.length; ++i) {
      if (t[i] === '&' && i + 1 < t.length) {
        if (t[i + 1] === '&') { frag.append('&'); ++i; continue; }
        frag.append(el('u', {text: t[i + 1]}));
        ++i;
      } else {
        frag.append(t[i]);
      }
    }
    return frag;
  }
  const plain = (text) => text.replace(/&(.)/g, '$1').replace(/\s+$/, '');
  const accessKey = (text) => { const m = /&([^&])/.exec(text); return m ? m[1].toLowerCase() : ''; };

  function render() {
    $('folder').textContent = state.folder || '';
    renderMenus();
    renderBooks();
    renderWindows();
    renderSide();
    renderStatus();
    renderHelp();
    loadSheetIfNeeded();
    loadFilesIfNeeded();
  }

  // ---- menus -------------------------------------------------------------------
  let menusKey = '';
  let openMenu = null;

  function pageFileItems() {
    return [
      {text: '&Open from Folder...', page: openFromFolder,
        status: 'Opens a workbook of the working folder.'},
      {text: '&Upload Workbook...', page: () => $('uploadfile').click(),
        status: 'Copies a workbook of your computer into the working folder and opens it.'},
      {text: '&New Workbook', page: () => ask({do: 'new'}), status: 'Opens a new empty workbook.'},
      {separator: true},
      {text: '&Download Workbook', page: downloadShown,
        status: 'Saves the workbook shown in the working folder and downloads it.'},
      {text: '&Close Workbook', page: closeShown, status: 'Closes the workbook shown.'},
    ];
  }

  function closeMenus() {
    for (const m of document.querySelectorAll('.menu.open, .item.open')) m.classList.remove('open');
    openMenu = null;
    hoverStatus = null;
    renderStatus();
  }

  function itemElements(items, path) {
    const box = el('div', {class: 'items', role: 'menu'});
    for (const item of items) {
      if (item.separator) { box.append(el('div', {class: 'separator', role: 'separator'})); continue; }
      const wrap = el('div', {class: 'item'});
      const button = el('button', {type: 'button', role: 'menuitem', 'data-key': accessKey(item.text)},
        el('span', {class: 'label'}, accessText(item.text)));
      const showStatus = () => { hoverStatus = item.status || ''; renderStatus(); };
      button.addEventListener('mouseenter', showStatus);
      button.addEventListener('focus', showStatus);
      if (item.items) {
        button.append(el('span', {class: 'arrow', text: '\u25B8'}));
        wrap.append(button, itemElements(item.items, path.concat(item.text)));
        const openSub = () => {
          for (const s of wrap.parentElement.querySelectorAll(':scope > .item.open')) s.classList.remove('open');
          wrap.classList.add('open');
        };
        button.addEventListener('mouseenter', openSub);
        button.addEventListener('click', () => {
          openSub();
          const first = wrap.querySelector('.items button');
          if (first) first.focus();
        });
      } else {
        button.addEventListener('mouseenter', () => {
          for (const s of wrap.parentElement.querySelectorAll(':scope > .item.open')) s.classList.remove('open');
        });
        button.addEventListener('click', () => {
          closeMenus();
          if (item.page) item.page();
          else pick(path.concat(item.text));
        });
        wrap.append(button);
      }
      box.append(wrap);
    }
    return box;
  }

  function buildMenus() {
    const bar = $('menubar');
    bar.textContent = '';
    for (const m of state.menus || []) {
      let items = m.items || [];
      if (plain(m.text) === 'File') items = pageFileItems().concat(items.length ? [{separator: true}] : [], items);
      const menu = el('div', {class: 'menu'});
      const title = el('button', {type: 'button', class: 'title', 'aria-haspopup': 'true',
        'data-key': accessKey(m.text), 'data-page': items !== m.items ? '1' : null}, accessText(m.text));
      title.addEventListener('click', () => {
        const wasOpen = menu.classList.contains('open');
        closeMenus();
        if (!wasOpen && items.length) {
          menu.classList.add('open');
          openMenu = menu;
          hoverStatus = m.status || '';
          renderStatus();
        }
      });
      title.addEventListener('mouseenter', () => {
        if (openMenu && openMenu !== menu && items.length && !title.disabled) {
          closeMenus();
          menu.classList.add('open');
          openMenu = menu;
        }
      });
      menu.append(title);
      if (items.length) menu.append(itemElements(items, [m.text]));
      else title.disabled = true;
      bar.append(menu);
    }
  }

  function renderMenus() {
    const key = JSON.stringify(state.menus);
    if (key !== menusKey) { menusKey = key; buildMenus(); }
    const locked = (state.windows || []).length > 0;
    for (const t of document.querySelectorAll('#menubar .menu > .title')) {
      const empty = !t.parentElement.querySelector('.items');
      t.disabled = empty || locked;
    }
    if (locked && openMenu) closeMenus();
  }

  async function pick(path) {
    if (state.busy) toast('The program is still working; the command runs when it is free.', true);
    const r = await send({do: 'pick', path});
    if (r.error) toast(r.error);
  }

  document.addEventListener('click', (e) => {
    if (openMenu && !e.target.closest('#menubar')) closeMenus();
  });

  // Alt+letter opens a menu; in an open menu, letters pick, arrows move,
  // Escape closes.
  document.addEventListener('keydown', (e) => {
    if (e.altKey && !e.ctrlKey && e.key.length === 1 && !(state.windows || []).length) {
      const title = [...document.querySelectorAll('#menubar .menu > .title')]
        .find((t) => t.dataset.key === e.key.toLowerCase() && !t.disabled);
      if (title) {
        e.preventDefault();
        title.click();
        const first = title.parentElement.querySelector('.items button');
        if (first) first.focus();
      }
      return;
    }
    if (!openMenu) return;
    const items = [...document.activeElement.closest('.items')?.querySelectorAll(':scope > .item > button') || []];
    const at = items.indexOf(document.activeElement);
    if (e.key === 'Escape') { e.preventDefault(); closeMenus(); return; }
    if (e.key === 'ArrowDown' || e.key === 'ArrowUp') {
      e.preventDefault();
      if (!items.length) return;
      const step = e.key === 'ArrowDown' ? 1 : -1;
      items[(at + step + items.length) % items.length].focus();
      return;
    }
    if (e.key === 'ArrowRight' && at >= 0 && items[at].parentElement.querySelector('.items')) {
      e.preventDefault();
      items[at].click();
      return;
    }
    if (e.key.length === 1 && !e.altKey && !e.ctrlKey) {
      const hit = items.find((b) => b.dataset.key === e.key.toLowerCase());
      if (hit) { e.preventDefault(); hit.click(); }
    }
  });

  // ---- workbooks -------------------------------------------------------------------
  function bookOf(name) { return (state.books || []).find((b) => b.name === name); }

  function showBook(name, sheet) {
    view.book = name;
    const b = bookOf(name);
    if (sheet === undefined) sheet = view.sheets[name] !== undefined ? view.sheets[name] : (b && b.activeSheet) || 0;
    view.sheet = sheet;
    view.sheets[name] = sheet;
    selection = null;
    if (!(state.windows || []).length && b) {
      ask({do: 'activate', book: name, sheet: b.sheets[sheet]});
    }
    render();
  }

  function renderBooks() {
    const books = state.books || [];
    if (state.activeBook !== lastActive) {
      // A command made or switched workbooks: show the active one.
      lastActive = state.activeBook;
      const active = bookOf(state.activeBook);
      if (active) {
        view.book = active.name;
        view.sheet = active.activeSheet || 0;
        view.sheets[active.name] = view.sheet;
      }
    }
    if (!bookOf(view.book)) {
      view.book = books.length ? (bookOf(state.activeBook) || books[0]).name : null;
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
    const serials = (state.windows || []).map((w) => w.serial);
    const key = JSON.stringify([view.book, view.sheet, partner && partner.name, state.changes,
      serials, state.lastCommand, state.captured]);
    if (key === sheetKey || sheetLoading) return;
    sheetLoading = true;
    (async () => {
      const one = await request(`/api/sheet?book=${encodeURIComponent(book.name)}&index=${view.sheet}`);
      let two = null;
      if (partner && view.sheet < partner.sheets.length)
        two = await request(`/api/sheet?book=${encodeURIComponent(partner.name)}&index=${view.sheet}`);
      sheetLoading = false;
      if (one.status === 503) return;  // busy: tried again with the next state
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
    free: 'a number in no equation: it is not rounded'};

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
        el('span', {class: 'key m-free'}), 'number in no equation (not rounded)');
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

  function topWindow() { const w = state.windows || []; return w.length ? w[w.length - 1] : null; }
  function refRowOf(w) {
    if (!w || w.kind !== 'box') return null;
    return (w.rows || []).find((r) => r.row === w.focusRow && r.type === 10 && !r.dimmed) || null;
  }

  async function commitSelection() {
    const book = bookOf(view.book);
    if (!selection || !book) return;
    const s = norm(selection);
    const top = topWindow();
    if (top) {
      if (!refRowOf(top)) return;  // a window is open: the selection only shows
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
    const key = JSON.stringify([state.lastCommand, (state.books || []).map((b) => [b.name, b.file])]);
    if (!force && key === filesKey) return;
    filesKey = key;
    request('/api/files').then(({body}) => {
      if (!body || !body.files) return;
      folderFiles = body.files;
      const fresh = new Set(((state.lastCommand || {}).saved || []).map((s) => s.file));
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

  // ---- side panel, status, help ---------------------------------------------------------
  let resultKey = '';
  function renderSide() {
    const key = JSON.stringify(state.result);
    if (key !== resultKey) {
      resultKey = key;
      const r = state.result;
      $('resultpanel').hidden = !r || !r.figures;
      const box = $('result');
      box.textContent = '';
      if (r && r.figures) {
        box.append(el('div', {class: 'model', text: `Model used: ${r.zeroRestricted ? 'Zero-Restricted' : 'Non-Zero-Restricted'}` +
          (r.provenOptimal ? ', proven optimal' : ', best found at the time limit (not proven optimal)')}));
        const table = el('table');
        for (const [label, value] of r.figures) table.append(el('tr', null, el('td', {text: label}), el('td', {class: 'v', text: value})));
        box.append(table);
      }
    }
    const list = $('notices');
    list.textContent = '';
    for (const n of [...(state.notices || [])].reverse()) {
      list.append(el('li', null, el('span', {class: 'kind', text: n.kind === 'host' ? 'host:' : n.kind + ':'}), n.text.trim()));
    }
    const last = state.lastCommand;
    if (last && last.saved && last.saved.length) {
      for (const s of last.saved) {
        if (s.error) list.prepend(el('li', null, el('span', {class: 'kind', text: 'not saved:'}), `${s.book}: ${s.error}`));
      }
    }
  }

  function renderStatus() {
    $('status').textContent = hoverStatus !== null ? hoverStatus : (state.status || '').trim() || 'Ready';
    const busy = state.busy && Date.now() - busySince > 400;
    $('busy').textContent = busy ? `Working... ${Math.round((Date.now() - busySince) / 1000)} s` : '';
    const p = state.progress;
    $('progress').textContent = p && p.text ? p.text : '';
  }
  setInterval(() => { if (state.busy) renderStatus(); }, 1000);

  function renderHelp() {
    const h = state.help;
    $('help').hidden = !h || !h.path;
    if (!h || !h.path) return;
    $('helptitle').textContent = `Help: ${h.path}`;
    $('helptext').textContent = h.text === null ? 'The help file cannot be read.' : h.text;
  }
  $('helpclose').addEventListener('click', () => ask({do: 'dismiss-help'}));

  // ---- windows ----------------------------------------------------------------------------
  const records = new Map();  // serial -> what was drawn for that window

  function renderWindows() {
    const host = $('windows');
    const list = state.windows || [];
    const live = new Set(list.map((w) => w.serial));
    for (const [serial, rec] of records) {
      if (!live.has(serial)) { rec.el.remove(); records.delete(serial); }
    }
    list.forEach((w, i) => {
      let rec = records.get(w.serial);
      if (!rec) {
        rec = {serial: w.serial, el: el('div', {class: 'window', role: 'dialog', 'aria-modal': 'true'}),
          dirty: new Map(), timers: new Map()};
        host.append(rec.el);
        records.set(w.serial, rec);
      }
      const top = i === list.length - 1;
      rec.el.classList.toggle('below', !top);
      rec.el.classList.toggle('minimized', !!w.minimized);
      rec.el.style.zIndex = 10 + i;
      rec.el.dataset.kind = w.kind;
      rec.w = w;
      if (w.kind === 'dialog') drawDialog(rec, w, top);
      else if (w.kind === 'box') drawBox(rec, w, top);
      else if (w.kind === 'file') drawFile(rec, w, top);
      else drawMessage(rec, w, top);
    });
    host.classList.toggle('refpick', !!refRowOf(topWindow()));
  }

  // Sends an action for a window, after the text typed into its boxes.
  function act(rec, action) {
    flush(rec);
    return send(Object.assign({window: rec.serial}, action)).then((r) => {
      if (r.error && /no longer|no window/.test(r.error)) toast(r.error);
      return r;
    });
  }
  function flush(rec) {
    for (const [key, value] of rec.dirty) {
      clearTimeout(rec.timers.get(key));
      rec.dirty.delete(key);
      const action = rec.w.kind === 'box' ? {do: 'set', row: key, text: value} : {do: 'type', id: key, text: value};
      send(Object.assign({window: rec.serial}, action));
    }
  }
  function typed(rec, key, value) {
    rec.dirty.set(key, value);
    clearTimeout(rec.timers.get(key));
    rec.timers.set(key, setTimeout(() => {
      if (rec.dirty.get(key) !== value) return;
      rec.dirty.delete(key);
      const action = rec.w.kind === 'box' ? {do: 'set', row: key, text: value} : {do: 'type', id: key, text: value};
      send(Object.assign({window: rec.serial}, action));
    }, 250));
  }

  function focusables(root) {
    return [...root.querySelectorAll('input, textarea, button, select, [tabindex="0"]')]
      .filter((e) => !e.disabled && !e.closest('[hidden]') && e.offsetParent !== null);
  }

  function windowKeys(rec, e) {
    if (e.key === 'Escape') {
      e.preventDefault();
      act(rec, {do: 'escape'});
    } else if (e.key === 'Enter') {
      const t = e.target;
      if (t.tagName === 'TEXTAREA' && t.dataset.wantreturn) return;
      if (t.tagName === 'BUTTON') return;  // the button itself is pressed
      e.preventDefault();
      act(rec, {do: 'enter'});
    } else if (e.key === 'Tab') {
      // Tab stays inside the window, as in a dialog.
      const all = focusables(rec.el);
      if (!all.length) return;
      const at = all.indexOf(document.activeElement);
      const next = e.shiftKey ? (at <= 0 ? all.length - 1 : at - 1) : (at === all.length - 1 ? 0 : at + 1);
      e.preventDefault();
      all[next].focus();
    }
  }

  function frame(rec, w, withFooter) {
    rec.el.textContent = '';
    rec.title = el('div', {class: 'wtitle', text: w.caption || ''});
    rec.el.append(rec.title);
    rec.el.onkeydown = (e) => windowKeys(rec, e);
    rec.body = el('div', {class: 'wbody'});
    rec.problem = el('div', {class: 'problem', role: 'alert'});
    rec.foot = withFooter ? el('div', {class: 'wfoot'}) : null;
  }

  // -- a dialog or property sheet, drawn from its template
  function drawDialog(rec, w, top) {
    const layout = JSON.stringify([w.activePage, (w.controls || []).map((c) => [c.id, c.kind, c.x, c.y, c.w, c.h]), w.pages]);
    if (rec.layout !== layout) {
      rec.layout = layout;
      rec.dirty.clear();
      frame(rec, w, !!w.pages);
      if (w.pages) {
        const tabs = el('div', {class: 'pagetabs', role: 'tablist'});
        w.pages.forEach((title, i) => {
          const tab = el('button', {type: 'button', class: 'tab', role: 'tab', 'aria-selected': String(i === w.activePage), text: title});
          tab.addEventListener('click', () => { if (i !== rec.w.activePage) act(rec, {do: 'page', index: i}); });
          tabs.append(tab);
        });
        rec.el.append(tabs);
      }
      rec.body.style.width = `${(w.width || 200) * DX}px`;
      rec.body.style.height = `${(w.height || 100) * DY}px`;
      rec.controls = (w.controls || []).map((c) => buildControl(rec, c));
      for (const c of rec.controls) if (c.el) rec.body.append(c.el);
      rec.el.append(rec.body);
      if (w.pages) {
        rec.foot.append(el('button', {type: 'button', class: 'default', text: 'OK', onclick: () => act(rec, {do: 'ok'})}),
          el('button', {type: 'button', text: 'Cancel', onclick: () => act(rec, {do: 'cancel'})}));
        rec.el.append(rec.foot);
      }
      rec.el.append(rec.problem);
      rec.lastFocus = undefined;
    }
    rec.title.textContent = w.caption || '';
    (w.controls || []).forEach((c, i) => updateControl(rec, rec.controls[i], c));
    rec.problem.textContent = w.problem || '';
    if (top && w.focus !== rec.lastFocus) {
      rec.lastFocus = w.focus;
      const target = rec.controls.find((c) => c.def.id === w.focus && c.focus);
      const element = target ? target.focus : focusables(rec.body)[0];
      if (element && document.activeElement !== element) {
        rec.programmatic = true;
        element.focus();
        rec.programmatic = false;
      }
    }
  }

  function place(e, c) {
    e.style.left = `${c.x * DX}px`;
    e.style.top = `${c.y * DY}px`;
    e.style.width = `${c.w * DX}px`;
    e.style.height = `${c.h * DY}px`;
  }

  function buildControl(rec, c) {
    const style = new Set(c.style || []);
    const out = {def: c, el: null, focus: null};
    const onFocus = () => {
      if (rec.programmatic || rec.lastFocus === c.id) return;
      rec.lastFocus = c.id;
      act(rec, {do: 'focus', id: c.id});
    };
    switch (c.kind) {
      case 'static':
        out.el = el('div', {class: 'ctl static' + (style.has('border') ? ' border' : '') + (style.has('centred') ? ' centred' : '') +
          (!c.text.includes('\n') && c.h <= 12 ? ' oneline' : '')});
        break;
      case 'group':
        out.el = el('div', {class: 'ctl group'}, el('span'));
        break;
      case 'edit': {
        const multi = style.has('multiline');
        const input = multi ? el('textarea', {class: 'ctl'}) : el('input', {type: 'text', class: 'ctl'});
        if (style.has('centred')) input.classList.add('centred');
        if (style.has('wantreturn')) input.dataset.wantreturn = '1';
        if (style.has('digits')) input.inputMode = 'numeric';
        input.setAttribute('aria-label', c.label || String(c.id));
        input.dataset.id = c.id;
        input.addEventListener('focus', onFocus);
        input.addEventListener('input', () => typed(rec, c.id, input.value));
        out.el = input;
        out.focus = input;
        break;
      }
      case 'check':
      case 'radio': {
        const box = el('input', {type: c.kind === 'check' ? 'checkbox' : 'radio', 'data-id': c.id});
        box.addEventListener('click', (e) => { e.preventDefault(); act(rec, {do: 'click', id: c.id}); });
        box.addEventListener('focus', onFocus);
        out.el = el('label', {class: 'ctl'}, box, el('span'));
        out.focus = box;
        break;
      }
      case 'button': {
        const b = el('button', {type: 'button', class: 'ctl' + (style.has('default') ? ' default' : ''), 'data-id': c.id});
        b.addEventListener('click', () => act(rec, {do: 'click', id: c.id}));
        b.addEventListener('focus', onFocus);
        out.el = b;
        out.focus = b;
        break;
      }
      case 'list': {
        const list = el('div', {class: 'ctl list', role: 'listbox', tabindex: '0', 'data-id': c.id,
          'aria-label': c.label || String(c.id)});
        list.addEventListener('focus', onFocus);
        list.addEventListener('keydown', (e) => {
          if (e.key !== 'ArrowDown' && e.key !== 'ArrowUp') return;
          e.preventDefault();
          const d = rec.w.controls.find((x) => x.id === c.id);
          const n = (d.items || []).length;
          if (!n) return;
          const next = Math.min(n - 1, Math.max(0, (d.selection < 0 ? -1 : d.selection) + (e.key === 'ArrowDown' ? 1 : -1)));
          act(rec, {do: 'select', id: c.id, index: next});
        });
        out.el = list;
        out.focus = list;
        break;
      }
      case 'progress':
        out.el = el('progress', {class: 'ctl'});
        break;
      default:
        return out;
    }
    place(out.el, c);
    return out;
  }

  function updateControl(rec, out, c) {
    if (!out || !out.el) return;
    out.def = c;
    out.el.hidden = !c.visible;
    out.el.style.display = c.visible ? '' : 'none';
    switch (c.kind) {
      case 'static':
        out.el.textContent = c.text.replace(/&(.)/g, '$1');
        out.el.classList.toggle('disabled', !c.enabled);
        break;
      case 'group':
        out.el.firstChild.textContent = c.text.replace(/&(.)/g, '$1');
        out.el.firstChild.hidden = !c.text;
        break;
      case 'edit':
        if (!rec.dirty.has(c.id) && out.el.value !== c.text) out.el.value = c.text;
        out.el.readOnly = !!c.readOnly;
        out.el.disabled = !c.enabled;
        break;
      case 'check':
      case 'radio':
        out.focus.checked = !!c.checked;
        out.focus.disabled = !c.enabled;
        out.el.lastChild.textContent = c.text.replace(/&(.)/g, '$1');
        out.el.classList.toggle('disabled', !c.enabled);
        break;
      case 'button':
        out.el.textContent = c.text.replace(/&(.)/g, '$1');
        out.el.disabled = !c.enabled;
        break;
      case 'list': {
        const key = JSON.stringify([c.items, c.selection]);
        if (out.key !== key) {
          out.key = key;
          out.el.textContent = '';
          (c.items || []).forEach((item, i) => {
            const row = el('div', {class: 'row' + (i === c.selection ? ' chosen' : ''), role: 'option',
              'aria-selected': String(i === c.selection)}, el('span', {text: item}));
            row.addEventListener('mousedown', (e) => { e.preventDefault(); out.el.focus(); act(rec, {do: 'select', id: c.id, index: i}); });
            out.el.append(row);
          });
        }
        out.el.classList.toggle('disabled', !c.enabled);
        break;
      }
      case 'progress':
        out.el.max = Math.max(1, c.high - c.low);
        out.el.value = Math.max(0, c.position - c.low);
        break;
      default:
        break;
    }
  }

  // -- a message box or alert
  function drawMessage(rec, w, top) {
    if (!rec.built) {
      rec.built = true;
      frame(rec, w, false);
      const labels = {ok: 'OK', cancel: 'Cancel', yes: 'Yes', no: 'No'};
      const buttons = el('div', {class: 'msgbuttons'});
      w.buttons.forEach((b, i) => {
        buttons.append(el('button', {type: 'button', class: i === 0 ? 'default' : '', text: labels[b] || b,
          'data-answer': b, onclick: () => act(rec, {do: 'answer', answer: b})}));
      });
      rec.el.append(el('div', {class: 'message', text: w.text.replace(/^ +/, '')}), buttons, rec.problem);
      rec.el.setAttribute('aria-label', w.caption || 'Message');
      if (top) buttons.firstChild.focus();
    }
    rec.title.textContent = (w.caption || '').trim() || 'Quorant';
    rec.problem.textContent = w.problem || '';
  }

  // -- the common file dialog, over the working folder
  function drawFile(rec, w, top) {
    if (!rec.built) {
      rec.built = true;
      frame(rec, w, true);
      const filter = el('select', {'aria-label': 'Files of type'});
      (w.filters || []).forEach((f, i) => filter.append(el('option', {value: i, text: `${f.description} (${f.pattern})`})));
      filter.append(el('option', {value: 'all', text: 'All files'}));
      const list = el('div', {class: 'filelist', role: 'listbox', 'aria-label': 'Files'});
      const name = el('input', {type: 'text', 'aria-label': 'File name', value: w.initial || ''});
      rec.confirmBox = el('div', {class: 'confirm', hidden: true});
      const choose = () => act(rec, {do: 'choose', name: name.value});
      const fill = () => {
        const names = filter.value === 'all' ? rec.w.files : ((rec.w.filters[+filter.value] || {}).files || []);
        list.textContent = '';
        for (const n of names) {
          const row = el('div', {text: n, role: 'option'});
          row.addEventListener('click', () => {
            for (const x of list.children) x.classList.remove('chosen');
            row.classList.add('chosen');
            name.value = n;
          });
          row.addEventListener('dblclick', () => { name.value = n; choose(); });
          list.append(row);
        }
      };
      rec.fill = fill;
      filter.addEventListener('change', fill);
      rec.body.className = 'filedlg';
      rec.body.append(el('div', {text: 'Working folder: ' + (state.folder || '')}), list,
        el('label', null, 'File name:', name), el('label', null, 'Files of type:', filter),
        w.defaultExtension ? el('div', {class: 'panetitle', text: `A name without extension gets .${w.defaultExtension}`}) : null,
        rec.confirmBox);
      rec.foot.append(el('button', {type: 'button', class: 'default', text: w.open ? 'Open' : 'Save', onclick: choose}),
        el('button', {type: 'button', text: 'Cancel', onclick: () => act(rec, {do: 'cancel'})}));
      rec.el.append(rec.body, rec.foot, rec.problem);
      rec.el.onkeydown = (e) => {
        if (e.key === 'Enter' && e.target.tagName !== 'BUTTON') { e.preventDefault(); choose(); return; }
        windowKeys(rec, e);
      };
      fill();
      if (top) name.focus();
    }
    rec.title.textContent = w.caption;
    rec.confirmBox.hidden = !w.confirm;
    if (w.confirm) {
      rec.confirmBox.textContent = '';
      rec.confirmBox.append(el('div', {text: w.problem}),
        el('button', {type: 'button', text: 'Replace', onclick: () => act(rec, {do: 'choose', name: w.confirm, replace: true})}), ' ',
        el('button', {type: 'button', text: 'Keep it', onclick: () => act(rec, {do: 'choose', name: ''})}));
      rec.problem.textContent = '';
    } else {
      rec.problem.textContent = w.problem || '';
    }
  }

  // -- the host's table-driven dialog box
  function drawBox(rec, w, top) {
    const layout = JSON.stringify((w.rows || []).map((r) => [r.row, r.type, r.x, r.y, r.w, r.h]));
    if (rec.layout !== layout) {
      rec.layout = layout;
      rec.dirty.clear();
      frame(rec, w, false);
      rec.body.style.width = `${w.width * BOX}px`;
      rec.body.style.height = `${w.height * BOX + 8}px`;
      rec.rows = new Map();
      let group = 0, option = 0;
      for (const r of w.rows) {
        const e = buildRow(rec, r, () => ({group, option}));
        if (r.type === 11) { group = r.row; option = 0; }
        if (r.type === 12) { ++option; if (e) e.dataset.option = option; if (e) e.dataset.group = group; }
        if (!e) continue;
        e.style.left = `${r.x * BOX}px`;
        e.style.top = `${r.y * BOX}px`;
        if (r.w) e.style.width = `${r.w * BOX}px`;
        if (r.h) e.style.height = `${r.h * BOX}px`;
        rec.rows.set(r.row, e);
        rec.body.append(e);
      }
      rec.el.append(rec.body, rec.problem);
      if (top) {
        const first = focusables(rec.body)[0];
        if (first) first.focus();
      }
    }
    rec.title.textContent = w.caption || '';
    const byRow = new Map(w.rows.map((r) => [r.row, r]));
    for (const r of w.rows) {
      const e = rec.rows.get(r.row);
      if (!e) continue;
      if ([6, 7, 8, 10].includes(r.type)) {
        if (!rec.dirty.has(r.row) && e.value !== r.value) e.value = r.value;
        e.disabled = r.dimmed;
      } else if (r.type === 13) {
        e.firstChild.checked = r.value === '1';
        e.firstChild.disabled = r.dimmed;
      } else if (r.type === 12) {
        const g = byRow.get(+e.dataset.group);
        e.firstChild.checked = !!g && +g.value === +e.dataset.option;
        e.firstChild.disabled = r.dimmed || (g && g.dimmed);
      } else if (r.type === 15) {
        const key = JSON.stringify([r.items, r.value, r.names]);
        if (e.key !== key) {
          e.key = key;
          e.textContent = '';
          (r.items || []).forEach((item, i) => {
            const chosen = +r.value === i + 1;
            const row = el('div', {class: 'row' + (chosen ? ' chosen' : ''), role: 'option', 'aria-selected': String(chosen)},
              el('span', {text: item}), r.names && r.names[i] ? el('span', {class: 'names', text: r.names[i]}) : null);
            row.addEventListener('mousedown', (ev) => { ev.preventDefault(); e.focus(); act(rec, {do: 'choose', row: r.row, index: i + 1}); });
            e.append(row);
          });
        }
      } else if ([1, 2, 3].includes(r.type)) {
        e.disabled = r.dimmed;
      }
    }
    rec.problem.textContent = w.problem || '';
  }

  function buildRow(rec, r) {
    const text = (r.text || '').replace(/&(.)/g, '$1');
    const focusRow = () => { if (rec.w.focusRow !== r.row) act(rec, {do: 'focus', row: r.row}); };
    switch (r.type) {
      case 1: case 3: {
        const b = el('button', {type: 'button', class: 'ctl' + (r.type === 1 ? ' default' : ''), text, 'data-row': r.row});
        b.addEventListener('click', () => act(rec, {do: 'press', row: r.row}));
        if (!r.h) b.style.height = '24px';
        return b;
      }
      case 2: {
        const b = el('button', {type: 'button', class: 'ctl', text, 'data-row': r.row});
        b.addEventListener('click', () => act(rec, {do: 'cancel'}));
        if (!r.h) b.style.height = '24px';
        return b;
      }
      case 5: return el('div', {class: 'ctl static', text, 'data-row': r.row});
      case 6: case 7: case 8: case 10: {
        const input = el('input', {type: 'text', class: 'ctl' + (r.type === 10 ? ' refedit' : ''),
          'data-row': r.row, 'aria-label': `row ${r.row}`,
          placeholder: r.type === 10 ? 'select cells on the sheet' : null,
          title: r.type === 10 ? 'Click here, then select the cells on the sheet (drag, or Shift+click)' : null});
        input.addEventListener('focus', focusRow);
        input.addEventListener('input', () => typed(rec, r.row, input.value));
        if (!r.w) input.style.width = '160px';
        return input;
      }
      case 12: {
        const radio = el('input', {type: 'radio'});
        const label = el('label', {class: 'ctl', 'data-row': r.row}, radio, el('span', {text}));
        radio.addEventListener('click', (e) => {
          e.preventDefault();
          act(rec, {do: 'choose', row: +label.dataset.group, index: +label.dataset.option});
        });
        return label;
      }
      case 13: {
        const box = el('input', {type: 'checkbox'});
        const label = el('label', {class: 'ctl', 'data-row': r.row}, box, el('span', {text}));
        box.addEventListener('click', (e) => {
          e.preventDefault();
          const row = rec.w.rows.find((x) => x.row === r.row);
          act(rec, {do: 'check', row: r.row, on: row.value !== '1'});
        });
        return label;
      }
      case 14: return el('div', {class: 'ctl group', 'data-row': r.row}, el('span', {text}));
      case 15: {
        const list = el('div', {class: 'ctl list', role: 'listbox', tabindex: '0', 'data-row': r.row, 'aria-label': 'Equations'});
        list.addEventListener('focus', focusRow);
        list.addEventListener('keydown', (e) => {
          if (e.key !== 'ArrowDown' && e.key !== 'ArrowUp') return;
          e.preventDefault();
          const row = rec.w.rows.find((x) => x.row === r.row);
          const n = (row.items || []).length;
          const next = Math.min(n, Math.max(1, (+row.value || 0) + (e.key === 'ArrowDown' ? 1 : -1)));
          act(rec, {do: 'choose', row: r.row, index: next});
        });
        return list;
      }
      default: return null;
    }
  }

  poll();
})();
