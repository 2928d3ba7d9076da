// The page of quorant serve. It shows what the server publishes (menus,
// workbooks, windows, status, messages) and sends what the person does as
// requests; the program decides everything, the page only draws and asks.
//
// The page's scripts share one namespace, Quorant (Q): this file holds the
// talking to the server and the status bar, side panel and help; menus.js,
// books.js and windows.js add the menu bar, the workbooks and the windows.
'use strict';
window.Quorant = (() => {
  const Q = {};
  const token = Q.token = document.querySelector('meta[name="quorant-token"]').content;
  const $ = Q.$ = (id) => document.getElementById(id);
  Q.state = {version: 0, windows: [], books: [], menus: [], notices: []};
  Q.hoverStatus = null;  // the status text of the menu item pointed at
  let busySince = 0;

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
        const wait = Q.state.busy ? 1 : 20;
        const {status, body} = await request(`/api/state?since=${Q.state.version}&wait=${wait}`);
        if (status !== 200 || !body) throw new Error('state');
        failures = 0;
        $('stopped').hidden = !body.stopping;
        if (body.busy && !Q.state.busy) busySince = Date.now();
        Q.state = body;
        render();
      } catch (e) {
        if (!(e instanceof TypeError && /fetch/i.test(e.message)) && e.message !== 'state') console.error(e);
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
    $('folder').textContent = Q.state.folder || '';
    Q.renderMenus();
    Q.renderBooks();
    Q.renderWindows();
    renderSide();
    renderStatus();
    renderHelp();
    Q.loadSheetIfNeeded();
    Q.loadFilesIfNeeded();
  }

  // ---- side panel, status, help ---------------------------------------------------------
  let resultKey = '';
  function renderSide() {
    const key = JSON.stringify(Q.state.result);
    if (key !== resultKey) {
      resultKey = key;
      const r = Q.state.result;
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
    for (const n of [...(Q.state.notices || [])].reverse()) {
      list.append(el('li', null, el('span', {class: 'kind', text: n.kind === 'host' ? 'host:' : n.kind + ':'}), n.text.trim()));
    }
    const last = Q.state.lastCommand;
    if (last && last.saved && last.saved.length) {
      for (const s of last.saved) {
        if (s.error) list.prepend(el('li', null, el('span', {class: 'kind', text: 'not saved:'}), `${s.book}: ${s.error}`));
      }
    }
  }

  function renderStatus() {
    $('status').textContent = Q.hoverStatus !== null ? Q.hoverStatus : (Q.state.status || '').trim() || 'Ready';
    const busy = Q.state.busy && Date.now() - busySince > 400;
    $('busy').textContent = busy ? `Working... ${Math.round((Date.now() - busySince) / 1000)} s` : '';
    // The progress of a long solve or audit: time against the limit while
    // searching, cells done while auditing.
    const p = Q.state.progress;
    const bar = $('progressbar');
    $('progress').textContent = p && p.text ? p.text : '';
    bar.hidden = !(p && p.of > 0);
    if (p && p.of > 0) {
      bar.max = p.of;
      bar.value = Math.min(p.done, p.of);
    }
  }
  setInterval(() => { if (Q.state.busy) renderStatus(); }, 1000);

  function renderHelp() {
    const h = Q.state.help;
    $('help').hidden = !h || !h.path;
    if (!h || !h.path) return;
    $('helptitle').textContent = `Help: ${h.path}`;
    $('helptext').textContent = h.text === null ? 'The help file cannot be read.' : h.text;
  }
  $('helpclose').addEventListener('click', () => ask({do: 'dismiss-help'}));

  Object.assign(Q, {request, send, ask, sleep, poll, toast, el, accessText, plain, accessKey,
    render, renderStatus});
  return Q;
})();
