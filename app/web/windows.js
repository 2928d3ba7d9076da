// The windows of the add-in and the host, drawn from what the server
// describes: dialogs and property sheets from their templates, message boxes
// and alerts, the file dialog over the working folder and the host's
// table-driven dialog box. What the person does goes back as events.
'use strict';
((Q) => {
  const {$, el, send, toast} = Q;

  const DX = 1.75, DY = 1.85;  // dialog units in pixels
  const BOX = 1.15;            // host dialog box units in pixels

  function topWindow() { const w = Q.state.windows || []; return w.length ? w[w.length - 1] : null; }
  // The reference box of a host dialog box that has the focus, if any.
  function refRowOf(w) {
    if (!w || w.kind !== 'box') return null;
    return (w.rows || []).find((r) => r.row === w.focusRow && r.type === 10 && !r.dimmed) || null;
  }

  // ---- windows ----------------------------------------------------------------------------
  const records = new Map();  // serial -> what was drawn for that window

  function renderWindows() {
    const host = $('windows');
    const list = Q.state.windows || [];
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
      rec.body.append(el('div', {text: 'Working folder: ' + (Q.state.folder || '')}), list,
        el('label', null, 'File name:', name), el('label', null, 'Files of type:', filter));
      if (w.defaultExtension) {
        rec.body.append(el('div', {class: 'panetitle', text: `A name without extension gets .${w.defaultExtension}`}));
      }
      rec.body.append(rec.confirmBox);
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

  Object.assign(Q, {renderWindows, topWindow, refRowOf});
})(window.Quorant);
