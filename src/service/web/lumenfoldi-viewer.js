// <lumenfoldi-viewer>: shows a report of a lumenfoldi service in a web page:
// continuous scrolling with pages loaded as they come near, zoom, page
// navigation, thumbnails, find, selectable text, links, downloads and print.
//
//   <script type="module" src="https://SERVICE/viewer/lumenfoldi-viewer.js"></script>
//   <lumenfoldi-viewer params="template.frf,data.json"></lumenfoldi-viewer>
//
// Attributes and properties: params ("TEMPLATE,DATA"), report (an id),
// service (the service's address; default: where this module came from),
// zoom (a percentage, "page-width" or "whole-page"), page (from 1).
// Events: load {id, pages, title}, error {message}, pagechange {page}.
// Report text only ever enters the page as text (textContent), never as markup.

const MODULE_SERVICE = new URL('../', import.meta.url).href;
const PX_PER_MM = 96 / 25.4;
const GAP = 12;             // px between pages
const MARGIN = 16;          // px around the pages
const OVERSCAN = 1.5;       // screens of pages kept above and below the view
const THUMB_WIDTH = 96;     // px
const THUMB_DPI = 16;
const ZOOMS = [25, 50, 75, 100, 125, 150, 200, 300, 400];
const MIN_ZOOM = 10, MAX_ZOOM = 800;
const OPENABLE = new Set(['http:', 'https:', 'mailto:']);

const STYLE = `
:host { display: block; position: relative; height: 100%; min-height: 200px; font: 14px system-ui, sans-serif;
  color: #202124; background: #525659; overflow: hidden; contain: strict; }
* { box-sizing: border-box; }
.bar { position: absolute; top: 0; left: 0; right: 0; height: 44px; display: flex; align-items: center; gap: 4px;
  padding: 0 8px; background: #f1f3f4; border-bottom: 1px solid #c8c8c8; overflow-x: auto; white-space: nowrap; }
.bar button, .bar select, .bar input, .bar a.button { height: 30px; min-width: 30px; border: 1px solid #bbb;
  background: #fff; border-radius: 4px; font: inherit; color: inherit; padding: 0 6px; }
.bar a.button { display: inline-flex; align-items: center; text-decoration: none; }
.bar button:focus-visible, .bar input:focus-visible, .bar select:focus-visible, .bar a:focus-visible,
.pages:focus-visible, .thumbs button:focus-visible { outline: 2px solid #1a73e8; outline-offset: 1px; }
.bar button:disabled { opacity: .4; }
.bar .sep { width: 1px; height: 24px; background: #c8c8c8; margin: 0 4px; }
.bar input.pageno { width: 4.5em; text-align: right; }
.bar input[type=checkbox] { height: auto; min-width: 0; }
.bar label { display: inline-flex; align-items: center; gap: 2px; }
.bar input.find { width: 12em; }
.bar .count { min-width: 5em; font-size: 12px; color: #555; }
.body { position: absolute; top: 44px; left: 0; right: 0; bottom: 0; display: flex; }
.thumbs { width: ${THUMB_WIDTH + 32}px; overflow-y: auto; background: #3c3f41; position: relative; flex: none; }
.thumbs[hidden] { display: none; }
.thumbs button { position: absolute; left: 16px; width: ${THUMB_WIDTH}px; padding: 0; border: 2px solid transparent;
  background: #fff; cursor: pointer; }
.thumbs button.current { border-color: #8ab4f8; }
.thumbs img { display: block; width: 100%; height: 100%; }
.thumbs span { position: absolute; bottom: -18px; left: 0; right: 0; text-align: center; color: #ddd; font-size: 11px; }
.pages { flex: 1; overflow: auto; position: relative; outline: none; }
.spacer { position: relative; margin: 0 auto; }
.page { position: absolute; background: #fff; box-shadow: 0 1px 4px rgba(0,0,0,.5); overflow: hidden; }
.page img { position: absolute; inset: 0; width: 100%; height: 100%; user-select: none; -webkit-user-drag: none; }
.text { position: absolute; inset: 0; line-height: 1; }
.text span { position: absolute; white-space: pre; color: transparent; transform-origin: 0 0; cursor: text;
  font-family: sans-serif; }
.text span::selection { background: rgba(26,115,232,.35); color: transparent; }
.hl { position: absolute; background: rgba(255,213,0,.45); mix-blend-mode: multiply; pointer-events: none; }
.hl.current { background: rgba(255,120,0,.6); outline: 2px solid #e8710a; }
.link { position: absolute; display: block; cursor: pointer; }
.link:hover, .link:focus-visible { background: rgba(26,115,232,.12); outline: 1px solid rgba(26,115,232,.5); }
.overlay { position: absolute; inset: 44px 0 0 0; display: flex; align-items: center; justify-content: center;
  flex-direction: column; gap: 12px; color: #fff; background: rgba(82,86,89,.85); text-align: center; padding: 24px; }
.overlay[hidden] { display: none; }
.spinner { width: 36px; height: 36px; border: 4px solid rgba(255,255,255,.3); border-top-color: #fff;
  border-radius: 50%; animation: spin 1s linear infinite; }
@keyframes spin { to { transform: rotate(360deg); } }
.error { background: #fce8e6; color: #a50e0e; padding: 12px 16px; border-radius: 4px; max-width: 40em;
  white-space: pre-wrap; }
dialog { border: 1px solid #bbb; border-radius: 6px; padding: 16px; }
dialog label { display: block; margin-bottom: 8px; }
iframe.print { position: fixed; width: 0; height: 0; border: 0; visibility: hidden; }
.sr { position: absolute; width: 1px; height: 1px; overflow: hidden; clip: rect(0 0 0 0); }
`;

// An element made with attributes and children; text goes in as text.
function el(tag, attrs = {}, ...children) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs)) {
    if (v === false || v == null) continue;
    if (k === 'text') e.textContent = v;
    else if (k.startsWith('on')) e.addEventListener(k.slice(2), v);
    else e.setAttribute(k, v === true ? '' : v);
  }
  for (const c of children) e.append(c);
  return e;
}

function parsePageList(text, count) {
  const t = text.replace(/\s+/g, '');
  if (!t) return `1-${count}`;
  if (!/^\d+(-\d+)?(,\d+(-\d+)?)*$/.test(t)) return null;
  return t;
}

export class LumenfoldiViewer extends HTMLElement {
  static get observedAttributes() { return ['params', 'report', 'service', 'zoom', 'page']; }

  constructor() {
    super();
    this._report = null;          // the description: {id, pages, title, pageSizes}
    this._zoom = 100;             // percent
    this._zoomMode = 'page-width'; // 'page-width', 'whole-page' or null for a percentage
    this._page = 1;
    this._offsets = [];           // px from the spacer's top to each page
    this._rendered = new Map();   // page number -> its element
    this._texts = new Map();      // page number -> promise of its text layer data
    this._matches = [];           // [{page, box}]
    this._matchIndex = -1;
    this._loadSeq = 0;
    this._frame = 0;
    this._build();
  }

  // ---- properties ----
  get params() { return this.getAttribute('params') || ''; }
  set params(v) { this.setAttribute('params', v); }
  get report() { return this._report ? this._report.id : (this.getAttribute('report') || ''); }
  set report(v) { this.setAttribute('report', v); }
  get service() {
    const s = this.getAttribute('service');
    return new URL(s ? (s.endsWith('/') ? s : s + '/') : MODULE_SERVICE, location.href).href;
  }
  set service(v) { this.setAttribute('service', v); }
  get zoom() { return this._zoomMode || this._zoom; }
  set zoom(v) { this._setZoom(v); }
  get page() { return this._page; }
  set page(v) { this.goToPage(Number(v)); }
  get pageCount() { return this._report ? this._report.pages : 0; }
  get description() { return this._report; }

  connectedCallback() {
    this._resize = new ResizeObserver(() => this._layout(true));
    this._resize.observe(this._pagesBox);
    if (this.hasAttribute('from-location')) {
      this._global = (e) => this._onKey(e, true);
      window.addEventListener('keydown', this._global);
      const q = new URLSearchParams(location.search);
      const m = location.pathname.match(/\/view\/([0-9a-f]{64})$/);
      if (m) this.setAttribute('report', m[1]);
      else if (q.get('params')) this.setAttribute('params', q.get('params'));
      else this._showMessage('Open a report with ?params=TEMPLATE,DATA or /view/ID.');
    }
    this._connected = true;
    if (!this._report) this._startLoad();
  }

  disconnectedCallback() {
    if (this._resize) this._resize.disconnect();
    if (this._global) window.removeEventListener('keydown', this._global);
    this._connected = false;
  }

  attributeChangedCallback(name, old, value) {
    if (old === value) return;
    if (name === 'zoom') this._setZoom(value);
    else if (name === 'page') this.goToPage(Number(value));
    else if (this._connected) this._startLoad();
  }

  // ---- building ----
  _build() {
    const root = this.attachShadow({ mode: 'open' });
    root.append(el('style', { text: STYLE }));
    const button = (label, text, onclick, extra = {}) =>
      el('button', { type: 'button', 'aria-label': label, title: label, text, onclick, ...extra });
    this._thumbToggle = button('Thumbnails', '☰', () => this._toggleThumbs(), { 'aria-pressed': 'false' });
    this._firstBtn = button('First page', '«', () => this.goToPage(1));
    this._prevBtn = button('Previous page', '‹', () => this.goToPage(this._page - 1));
    this._pageInput = el('input', { class: 'pageno', type: 'text', inputmode: 'numeric', 'aria-label': 'Page number',
      onchange: () => this.goToPage(parseInt(this._pageInput.value, 10)),
      onkeydown: (e) => { if (e.key === 'Enter') this.goToPage(parseInt(this._pageInput.value, 10)); } });
    this._pageCountText = el('span', { text: '/ 0' });
    this._nextBtn = button('Next page', '›', () => this.goToPage(this._page + 1));
    this._lastBtn = button('Last page', '»', () => this.goToPage(this.pageCount));
    this._zoomOut = button('Zoom out', '−', () => this._stepZoom(-1));
    this._zoomSelect = el('select', { 'aria-label': 'Zoom', onchange: () => this._setZoom(this._zoomSelect.value) },
      el('option', { value: 'page-width', text: 'Page width' }),
      el('option', { value: 'whole-page', text: 'Whole page' }),
      ...ZOOMS.map((z) => el('option', { value: String(z), text: `${z} %` })),
      this._customZoom = el('option', { value: 'custom', hidden: true, disabled: true, text: '' }));
    this._zoomIn = button('Zoom in', '+', () => this._stepZoom(1));
    this._findInput = el('input', { class: 'find', type: 'search', placeholder: 'Find', 'aria-label': 'Find text',
      onkeydown: (e) => { if (e.key === 'Enter') { e.preventDefault(); this.find(this._findInput.value, e.shiftKey ? -1 : 1); } } });
    this._caseBox = el('input', { type: 'checkbox', 'aria-label': 'Match case', title: 'Match case',
      onchange: () => { this._lastQuery = null; } });
    this._findPrev = button('Previous match', '▲', () => this.find(this._findInput.value, -1));
    this._findNext = button('Next match', '▼', () => this.find(this._findInput.value, 1));
    this._findCount = el('span', { class: 'count', role: 'status', 'aria-live': 'polite' });
    this._pdfLink = el('a', { class: 'button', 'aria-label': 'Download PDF', title: 'Download PDF', text: 'PDF', download: '' });
    this._frpLink = el('a', { class: 'button', 'aria-label': 'Download prepared report', title: 'Download prepared report (.frp)', text: '.frp', download: '' });
    this._printBtn = button('Print', 'Print', () => this._openPrint());
    const bar = el('div', { class: 'bar', role: 'toolbar', 'aria-label': 'Report' },
      this._thumbToggle, el('span', { class: 'sep' }),
      this._firstBtn, this._prevBtn, this._pageInput, this._pageCountText, this._nextBtn, this._lastBtn,
      el('span', { class: 'sep' }), this._zoomOut, this._zoomSelect, this._zoomIn,
      el('span', { class: 'sep' }), this._findInput, el('label', {}, this._caseBox, el('span', { text: 'Aa' })),
      this._findPrev, this._findNext, this._findCount,
      el('span', { class: 'sep' }), this._pdfLink, this._frpLink, this._printBtn);
    this._thumbs = el('div', { class: 'thumbs', hidden: true, role: 'navigation', 'aria-label': 'Thumbnails' });
    this._thumbSpacer = el('div', { style: 'position:relative' });
    this._thumbs.append(this._thumbSpacer);
    this._thumbs.addEventListener('scroll', () => this._schedule());
    this._spacer = el('div', { class: 'spacer' });
    this._pagesBox = el('div', { class: 'pages', tabindex: '0', role: 'document', 'aria-label': 'Report pages' }, this._spacer);
    this._pagesBox.addEventListener('scroll', () => this._schedule());
    this._pagesBox.addEventListener('wheel', (e) => {
      if (!e.ctrlKey) return;
      e.preventDefault();
      this._stepZoom(e.deltaY < 0 ? 1 : -1);
    }, { passive: false });
    this._overlay = el('div', { class: 'overlay', role: 'status', 'aria-live': 'polite' });
    this._printPages = el('input', { type: 'text', placeholder: 'all', 'aria-label': 'Pages to print' });
    this._printDialog = el('dialog', { 'aria-label': 'Print' },
      el('form', { method: 'dialog', onsubmit: (e) => { e.preventDefault(); this._print(); } },
        el('label', {}, el('span', { text: 'Pages (e.g. 1-3,5): ' }), this._printPages),
        el('button', { type: 'submit', text: 'Print' }), ' ',
        el('button', { type: 'button', text: 'Cancel', onclick: () => this._printDialog.close() })));
    root.append(bar, el('div', { class: 'body' }, this._thumbs, this._pagesBox), this._overlay, this._printDialog);
    root.addEventListener('keydown', (e) => this._onKey(e, false));
    this._measure = document.createElement('canvas').getContext('2d');
    this._updateControls();
  }

  // ---- loading ----
  async _startLoad() {
    const seq = ++this._loadSeq;
    const params = this.getAttribute('params');
    const id = this.getAttribute('report');
    if (!params && !id) return;
    this._clear();
    this._showProgress(params ? 'Preparing the report…' : 'Opening the report…');
    try {
      let description;
      if (id && !params) {
        description = await this._json(`api/reports/${encodeURIComponent(id)}`);
      } else {
        description = await this._json('api/reports', {
          method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify({ params }),
        });
      }
      if (seq !== this._loadSeq) return;
      this._open(description);
    } catch (err) {
      if (seq !== this._loadSeq) return;
      this._fail(err.message);
    }
  }

  async _json(path, init) {
    let response;
    for (let attempt = 0; ; ++attempt) {
      try {
        response = await fetch(new URL(path, this.service), init);
      } catch (e) {
        throw new Error(`The report service cannot be reached (${e.message}).`);
      }
      // A busy service says when to come back.
      if (response.status === 429 && attempt < 5) {
        const wait = Number(response.headers.get('Retry-After')) || 2;
        await new Promise((r) => setTimeout(r, wait * 1000));
        continue;
      }
      break;
    }
    let body = null;
    try { body = await response.json(); } catch { /* not JSON */ }
    if (!response.ok) throw new Error((body && body.error) || `The service answered ${response.status}.`);
    return body;
  }

  _clear() {
    this._report = null;
    for (const e of this._rendered.values()) e.remove();
    this._rendered.clear();
    this._texts.clear();
    this._matches = [];
    this._matchIndex = -1;
    this._lastQuery = null;
    this._findCount.textContent = '';
    this._thumbSpacer.replaceChildren();
    this._updateControls();
  }

  _open(description) {
    this._report = description;
    this._overlay.hidden = true;
    const base = this._url('');
    this._pdfLink.href = `${base}.pdf?download=1`;
    this._frpLink.href = `${base}.frp`;
    this._layout(false);
    const wanted = Number(this.getAttribute('page')) || 1;
    this.goToPage(Math.min(Math.max(1, wanted), description.pages), true);
    this._updateControls();
    this.dispatchEvent(new CustomEvent('load', {
      detail: { id: description.id, pages: description.pages, title: description.title } }));
  }

  _fail(message) {
    this._overlay.hidden = false;
    this._overlay.replaceChildren(el('div', { class: 'error', role: 'alert', text: message }));
    this.dispatchEvent(new CustomEvent('error', { detail: { message } }));
  }

  _showProgress(text) {
    this._overlay.hidden = false;
    this._overlay.replaceChildren(el('div', { class: 'spinner', 'aria-hidden': 'true' }), el('div', { text }));
  }

  _showMessage(text) {
    this._overlay.hidden = false;
    this._overlay.replaceChildren(el('div', { text }));
  }

  _url(suffix) { return new URL(`api/reports/${this._report.id}${suffix}`, this.service).href; }

  // ---- layout ----
  _pageSize(n) {   // px at the current zoom
    const [w, h] = this._report.pageSizes[n - 1] || [210, 297];
    const k = this._zoom / 100 * PX_PER_MM;
    return [Math.round(w * k), Math.round(h * k)];
  }

  _fitZoom() {
    if (!this._report || !this._zoomMode) return;
    const sizes = this._report.pageSizes;
    const viewW = Math.max(50, this._pagesBox.clientWidth - 2 * MARGIN);
    const viewH = Math.max(50, this._pagesBox.clientHeight - 2 * MARGIN);
    const [w, h] = sizes[this._page - 1] || sizes[0] || [210, 297];
    let maxW = 0;
    for (let i = 0; i < sizes.length; i += Math.max(1, Math.floor(sizes.length / 200))) maxW = Math.max(maxW, sizes[i][0]);
    maxW = Math.max(maxW, w);
    let z = viewW / (maxW * PX_PER_MM) * 100;
    if (this._zoomMode === 'whole-page') z = Math.min(viewW / (w * PX_PER_MM), viewH / (h * PX_PER_MM)) * 100;
    this._zoom = Math.min(MAX_ZOOM, Math.max(MIN_ZOOM, z));
  }

  _layout(keepPosition) {
    if (!this._report) return;
    const anchor = keepPosition ? this._anchor() : null;
    this._fitZoom();
    const n = this._report.pages;
    const offsets = new Array(n + 1);
    let y = MARGIN, maxW = 0;
    for (let i = 1; i <= n; ++i) {
      offsets[i] = y;
      const [w, h] = this._pageSize(i);
      y += h + GAP;
      maxW = Math.max(maxW, w);
    }
    this._offsets = offsets;
    this._width = maxW + 2 * MARGIN;
    this._spacer.style.width = `${this._width}px`;
    this._spacer.style.height = `${y - GAP + MARGIN}px`;
    for (const e of this._rendered.values()) e.remove();
    this._rendered.clear();
    // Thumbnails.
    let ty = 8;
    this._thumbOffsets = [];
    for (let i = 1; i <= n; ++i) {
      this._thumbOffsets[i] = ty;
      const [w, h] = this._report.pageSizes[i - 1];
      ty += Math.round(THUMB_WIDTH * h / w) + 28;
    }
    this._thumbSpacer.style.height = `${ty}px`;
    this._thumbSpacer.replaceChildren();
    this._thumbEls = new Map();
    if (anchor) this._pagesBox.scrollTop = this._offsets[anchor.page] + anchor.fraction * this._pageSize(anchor.page)[1];
    this._updateZoomControl();
    this._render();
  }

  // The page at the top of the view and how far into it the view starts.
  _anchor() {
    if (!this._offsets.length) return null;
    const page = this._pageAt(this._pagesBox.scrollTop + 1);
    const h = this._pageSize(page)[1];
    return { page, fraction: Math.max(0, (this._pagesBox.scrollTop - this._offsets[page]) / h) };
  }

  _pageAt(y) {
    let lo = 1, hi = this._report.pages;
    while (lo < hi) {
      const mid = (lo + hi + 1) >> 1;
      if (this._offsets[mid] <= y) lo = mid; else hi = mid - 1;
    }
    return lo;
  }

  _schedule() {
    if (this._frame) return;
    this._frame = requestAnimationFrame(() => { this._frame = 0; this._render(); });
  }

  _render() {
    if (!this._report) return;
    const box = this._pagesBox;
    const top = box.scrollTop, h = box.clientHeight;
    const from = this._pageAt(Math.max(0, top - OVERSCAN * h));
    const to = this._pageAt(top + h + OVERSCAN * h);
    for (const [n, e] of this._rendered) {
      if (n < from || n > to) { e.remove(); this._rendered.delete(n); }
    }
    const left = Math.max(0, (this._width - 2 * MARGIN));
    for (let n = from; n <= to; ++n) {
      if (this._rendered.has(n)) continue;
      const [w, ph] = this._pageSize(n);
      const page = el('div', { class: 'page', 'data-page': String(n), role: 'img', 'aria-label': `Page ${n}` });
      page.style.cssText = `top:${this._offsets[n]}px;left:${MARGIN + Math.round((left - w) / 2)}px;width:${w}px;height:${ph}px`;
      page.append(el('img', { src: this._url(`/pages/${n}.svg`), alt: '', decoding: 'async', draggable: 'false' }));
      this._spacer.append(page);
      this._rendered.set(n, page);
      this._fillText(n, page);
    }
    // The current page: the one holding the middle of the view.
    const current = this._pageAt(top + h / 2);
    if (current !== this._page) {
      this._page = current;
      this._updateControls();
      this.dispatchEvent(new CustomEvent('pagechange', { detail: { page: current } }));
    }
    this._renderThumbs();
  }

  _textOf(n) {
    if (!this._texts.has(n)) {
      const p = fetch(this._url(`/pages/${n}/text`)).then((r) => (r.ok ? r.json() : null)).catch(() => null);
      this._texts.set(n, p);
      // Keep the text of the pages near the view only.
      if (this._texts.size > 400) {
        for (const k of this._texts.keys()) {
          if (Math.abs(k - this._page) > 100) this._texts.delete(k);
          if (this._texts.size <= 300) break;
        }
      }
    }
    return this._texts.get(n);
  }

  async _fillText(n, page) {
    const data = await this._textOf(n);
    if (!data || this._rendered.get(n) !== page) return;
    const k = page.clientWidth / data.width;
    const layer = el('div', { class: 'text' });
    for (const run of data.runs) {
      const [x, y, w, h] = run.box;
      const size = Math.max(1, run.size * k);
      const span = el('span', { text: run.text });
      this._measure.font = `${size}px sans-serif`;
      const natural = this._measure.measureText(run.text).width || 1;
      let t = '';
      if (run.vertical) {
        span.style.cssText = `left:${x * k}px;top:${(y + h) * k}px;font-size:${size}px`;
        t = `rotate(-90deg) scaleX(${(h * k) / natural})`;
      } else {
        span.style.cssText = `left:${x * k}px;top:${y * k}px;font-size:${size}px;height:${h * k}px`;
        t = `scaleX(${(w * k) / natural})`;
      }
      span.style.transform = t;
      layer.append(span);
    }
    for (const link of data.links) {
      const a = this._link(link.target);
      if (!a) continue;
      const [x, y, w, h] = link.box;
      a.style.cssText = `left:${x * k}px;top:${y * k}px;width:${w * k}px;height:${h * k}px`;
      layer.append(a);
    }
    page.append(layer);
    this._paintMatches(n, page);
  }

  // A link of the report: "@N" goes to page N, web and mail addresses open
  // in a new tab; anything else is left as it is.
  _link(target) {
    const t = String(target).trim();
    const m = t.match(/@(\d+)/);
    if (m) {
      const n = Number(m[1]);
      return el('a', { class: 'link', href: `#page=${n}`, 'aria-label': `Go to page ${n}`, title: `Page ${n}`,
        onclick: (e) => { e.preventDefault(); this.goToPage(n); this._pagesBox.focus({ preventScroll: true }); } });
    }
    let url;
    try { url = new URL(t); } catch { return null; }
    if (!OPENABLE.has(url.protocol)) return null;
    return el('a', { class: 'link', href: url.href, target: '_blank', rel: 'noopener noreferrer',
      'aria-label': url.href, title: url.href });
  }

  _renderThumbs() {
    if (this._thumbs.hidden || !this._report) return;
    const top = this._thumbs.scrollTop, h = this._thumbs.clientHeight;
    for (const [n, e] of this._thumbEls) {
      const y = this._thumbOffsets[n];
      if (y < top - h || y > top + 2 * h) { e.remove(); this._thumbEls.delete(n); }
    }
    let n = 1, lo = 1, hi = this._report.pages;
    while (lo < hi) { const mid = (lo + hi + 1) >> 1; if (this._thumbOffsets[mid] <= top - h) lo = mid; else hi = mid - 1; }
    for (n = lo; n <= this._report.pages && this._thumbOffsets[n] <= top + 2 * h; ++n) {
      let b = this._thumbEls.get(n);
      if (!b) {
        const [w, ph] = this._report.pageSizes[n - 1];
        const page = n;
        b = el('button', { type: 'button', 'aria-label': `Page ${n}`, onclick: () => this.goToPage(page) },
          el('img', { src: this._url(`/pages/${n}.png?dpi=${THUMB_DPI}`), alt: '', loading: 'lazy' }),
          el('span', { text: String(n) }));
        b.style.cssText = `top:${this._thumbOffsets[n]}px;height:${Math.round(THUMB_WIDTH * ph / w)}px`;
        this._thumbSpacer.append(b);
        this._thumbEls.set(n, b);
      }
      b.classList.toggle('current', n === this._page);
    }
  }

  _toggleThumbs() {
    this._thumbs.hidden = !this._thumbs.hidden;
    this._thumbToggle.setAttribute('aria-pressed', String(!this._thumbs.hidden));
    if (!this._thumbs.hidden && this._report) {
      this._thumbs.scrollTop = Math.max(0, this._thumbOffsets[this._page] - 40);
    }
    this._layout(true);
  }

  // ---- navigation and zoom ----
  goToPage(n, force = false) {
    if (!this._report || !Number.isFinite(n)) return;
    n = Math.min(Math.max(1, Math.round(n)), this._report.pages);
    this._pagesBox.scrollTop = this._offsets[n] - MARGIN / 2;
    if (force || n !== this._page) {
      this._page = n;
      this._updateControls();
      this.dispatchEvent(new CustomEvent('pagechange', { detail: { page: n } }));
    }
    this._render();
    if (!this._thumbs.hidden) {
      const y = this._thumbOffsets[n];
      if (y < this._thumbs.scrollTop || y > this._thumbs.scrollTop + this._thumbs.clientHeight - 100)
        this._thumbs.scrollTop = Math.max(0, y - 40);
    }
  }

  _setZoom(value) {
    const v = String(value);
    if (v === 'page-width' || v === 'whole-page') {
      this._zoomMode = v;
    } else {
      const z = parseFloat(v);
      if (!Number.isFinite(z)) return;
      this._zoomMode = null;
      this._zoom = Math.min(MAX_ZOOM, Math.max(MIN_ZOOM, z));
    }
    this._layout(true);
    this._updateZoomControl();
  }

  _stepZoom(direction) {
    const z = this._zoom;
    const next = direction > 0 ? ZOOMS.find((s) => s > z + 0.5) : [...ZOOMS].reverse().find((s) => s < z - 0.5);
    this._setZoom(next || (direction > 0 ? MAX_ZOOM : MIN_ZOOM));
  }

  _updateZoomControl() {
    if (this._zoomMode) {
      this._zoomSelect.value = this._zoomMode;
    } else if (ZOOMS.includes(Math.round(this._zoom)) && Math.abs(this._zoom - Math.round(this._zoom)) < 0.01) {
      this._zoomSelect.value = String(Math.round(this._zoom));
    } else {
      this._customZoom.textContent = `${Math.round(this._zoom)} %`;
      this._customZoom.hidden = false;
      this._zoomSelect.value = 'custom';
    }
  }

  _updateControls() {
    const count = this.pageCount;
    const has = count > 0;
    this._pageInput.value = has ? String(this._page) : '';
    this._pageCountText.textContent = `/ ${count}`;
    this._firstBtn.disabled = this._prevBtn.disabled = !has || this._page <= 1;
    this._nextBtn.disabled = this._lastBtn.disabled = !has || this._page >= count;
    for (const c of [this._zoomOut, this._zoomIn, this._zoomSelect, this._findInput, this._findPrev, this._findNext,
      this._printBtn, this._pageInput]) c.disabled = !has;
    for (const a of [this._pdfLink, this._frpLink]) {
      if (has) a.removeAttribute('aria-disabled'); else a.setAttribute('aria-disabled', 'true');
    }
    if (this._thumbEls) for (const [n, b] of this._thumbEls) b.classList.toggle('current', n === this._page);
  }

  // ---- find ----
  // Finds text in the whole report (again only when the text or the case
  // changed) and moves to the next (1) or previous (-1) match.
  async find(text, direction = 1) {
    if (!this._report) return 0;
    const query = String(text || '');
    if (!query) return 0;
    const key = `${this._caseBox.checked ? 1 : 0}:${query}`;
    if (key !== this._lastQuery) {
      this._lastQuery = key;
      this._findCount.textContent = 'Finding…';
      let result;
      try {
        result = await this._json(`api/reports/${this._report.id}/find?q=${encodeURIComponent(query)}&case=${this._caseBox.checked ? 1 : 0}`);
      } catch (e) {
        this._findCount.textContent = e.message;
        this._lastQuery = null;
        return 0;
      }
      this._matches = result.matches;
      this._matchIndex = -1;
      // Start from the current page.
      const firstHere = this._matches.findIndex((m) => m.page >= this._page);
      if (firstHere >= 0) this._matchIndex = (direction > 0 ? firstHere : firstHere) - (direction > 0 ? 1 : 0);
    }
    if (!this._matches.length) {
      this._findCount.textContent = 'No matches';
      this._repaintMatches();
      return 0;
    }
    const n = this._matches.length;
    this._matchIndex = ((this._matchIndex + direction) % n + n) % n;
    const m = this._matches[this._matchIndex];
    this._findCount.textContent = `${this._matchIndex + 1} of ${n}`;
    const [, y] = m.box;
    const page = this._rendered.get(m.page);
    this.goToPage(m.page);
    const width = this._pageSize(m.page)[0];
    const k = width / (this._report.pageSizes[m.page - 1][0] * 600 / 25.4);
    this._pagesBox.scrollTop = Math.max(0, this._offsets[m.page] + y * k - this._pagesBox.clientHeight / 3);
    this._render();
    void page;
    this._repaintMatches();
    return n;
  }

  get matchCount() { return this._matches.length; }

  _repaintMatches() {
    for (const [n, page] of this._rendered) this._paintMatches(n, page);
  }

  _paintMatches(n, page) {
    for (const old of page.querySelectorAll('.hl')) old.remove();
    const img = page.clientWidth;
    const k = img / (this._report.pageSizes[n - 1][0] * 600 / 25.4);
    this._matches.forEach((m, i) => {
      if (m.page !== n) return;
      const [x, y, w, h] = m.box;
      const d = el('div', { class: i === this._matchIndex ? 'hl current' : 'hl' });
      d.style.cssText = `left:${x * k}px;top:${y * k}px;width:${Math.max(2, w * k)}px;height:${h * k}px`;
      page.append(d);
    });
  }

  // ---- keys ----
  _onKey(e, global) {
    if (global && e.composedPath().includes(this)) return;  // the viewer's own handler sees it
    if (e.defaultPrevented) return;
    const ctrl = e.ctrlKey || e.metaKey;
    const inField = e.composedPath()[0] instanceof HTMLInputElement;
    if ((ctrl && e.key.toLowerCase() === 'f') || (e.key === 'F3' && !this._findInput.value)) {
      e.preventDefault();
      this._findInput.focus();
      this._findInput.select();
    } else if (e.key === 'F3') {
      e.preventDefault();
      this.find(this._findInput.value, e.shiftKey ? -1 : 1);
    } else if (inField) {
      return;
    } else if (ctrl && e.key === 'PageDown') { e.preventDefault(); this.goToPage(this._page + 1); }
    else if (ctrl && e.key === 'PageUp') { e.preventDefault(); this.goToPage(this._page - 1); }
    else if (ctrl && e.key === 'Home') { e.preventDefault(); this.goToPage(1); }
    else if (ctrl && e.key === 'End') { e.preventDefault(); this.goToPage(this.pageCount); }
    else if (ctrl && (e.key === '+' || e.key === '=')) { e.preventDefault(); this._stepZoom(1); }
    else if (ctrl && e.key === '-') { e.preventDefault(); this._stepZoom(-1); }
    else if (ctrl && e.key.toLowerCase() === 'p' && this._report) { e.preventDefault(); this._openPrint(); }
    else if (!ctrl && global && ['ArrowDown', 'ArrowUp', 'PageDown', 'PageUp', ' '].includes(e.key)) {
      // Scrolling keys reach the pages even before they have the focus.
      this._pagesBox.focus({ preventScroll: true });
    }
  }

  // ---- print ----
  _openPrint() {
    if (!this._report) return;
    this._printPages.value = '';
    if (typeof this._printDialog.showModal === 'function') this._printDialog.showModal(); else this._print();
  }

  _print() {
    const list = parsePageList(this._printPages.value, this.pageCount);
    if (!list) { this._printPages.setCustomValidity('Pages like 1-3,5'); this._printPages.reportValidity(); return; }
    this._printPages.setCustomValidity('');
    if (this._printDialog.open) this._printDialog.close();
    const url = `${this._url('.pdf')}?pages=${encodeURIComponent(list)}`;
    // The service's vector PDF goes to the printer; a PDF of another origin
    // cannot be printed from here and opens in a tab instead.
    if (new URL(url).origin !== location.origin) { window.open(url, '_blank', 'noopener'); return; }
    if (this._printFrame) this._printFrame.remove();
    this._printFrame = el('iframe', { class: 'print', title: 'Print', src: url });
    this._printFrame.addEventListener('load', () => {
      try { this._printFrame.contentWindow.focus(); this._printFrame.contentWindow.print(); }
      catch { window.open(url, '_blank', 'noopener'); }
    });
    document.body.append(this._printFrame);
  }
}

if (!customElements.get('lumenfoldi-viewer')) customElements.define('lumenfoldi-viewer', LumenfoldiViewer);
