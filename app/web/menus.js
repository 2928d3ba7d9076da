// The worksheet menu bar: the host's menus with the add-in's, and the page's own
// entries in File. Alt+letter opens a menu; letters, arrows and Escape work in it.
'use strict';
((Q) => {
  const {$, el, send, ask, toast, accessText, plain, accessKey} = Q;

  // ---- menus -------------------------------------------------------------------
  let menusKey = '';
  let openMenu = null;

  function pageFileItems() {
    return [
      {text: '&Open from Folder...', page: () => Q.openFromFolder(),
        status: 'Opens a workbook of the working folder.'},
      {text: '&Upload Workbook...', page: () => $('uploadfile').click(),
        status: 'Copies a workbook of your computer into the working folder and opens it.'},
      {text: '&New Workbook', page: () => ask({do: 'new'}), status: 'Opens a new empty workbook.'},
      {separator: true},
      {text: '&Download Workbook', page: () => Q.downloadShown(),
        status: 'Saves the workbook shown in the working folder and downloads it.'},
      {text: '&Close Workbook', page: () => Q.closeShown(), status: 'Closes the workbook shown.'},
    ];
  }

  function closeMenus() {
    for (const m of document.querySelectorAll('.menu.open, .item.open')) m.classList.remove('open');
    openMenu = null;
    Q.hoverStatus = null;
    Q.renderStatus();
  }

  function itemElements(items, path) {
    const box = el('div', {class: 'items', role: 'menu'});
    for (const item of items) {
      if (item.separator) { box.append(el('div', {class: 'separator', role: 'separator'})); continue; }
      const wrap = el('div', {class: 'item'});
      const button = el('button', {type: 'button', role: 'menuitem', 'data-key': accessKey(item.text)},
        el('span', {class: 'label'}, accessText(item.text)));
      const showStatus = () => { Q.hoverStatus = item.status || ''; Q.renderStatus(); };
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
    for (const m of Q.state.menus || []) {
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
          Q.hoverStatus = m.status || '';
          Q.renderStatus();
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
    const key = JSON.stringify(Q.state.menus);
    if (key !== menusKey) { menusKey = key; buildMenus(); }
    const locked = (Q.state.windows || []).length > 0;
    for (const t of document.querySelectorAll('#menubar .menu > .title')) {
      const empty = !t.parentElement.querySelector('.items');
      t.disabled = empty || locked;
    }
    if (locked && openMenu) closeMenus();
  }

  async function pick(path) {
    if (Q.state.busy) toast('The program is still working; the command runs when it is free.', true);
    const r = await send({do: 'pick', path});
    if (r.error) toast(r.error);
  }

  document.addEventListener('click', (e) => {
    if (openMenu && !e.target.closest('#menubar')) closeMenus();
  });

  // Alt+letter opens a menu; in an open menu, letters pick, arrows move,
  // Escape closes.
  document.addEventListener('keydown', (e) => {
    if (e.altKey && !e.ctrlKey && e.key.length === 1 && !(Q.state.windows || []).length) {
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

  Object.assign(Q, {renderMenus});
})(window.Quorant);
