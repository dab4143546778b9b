// An archive's frames as a grid of thumbnails, and its frame table: both
// draw only the rows in view, so 65,535 frames scroll as 50 do. A
// thumbnail is its frame scaled by a whole factor (pixelated) to fit its
// cell, or every step-th pixel of a frame larger than the cell; the worker
// decodes no more than that. Thumbnails drawn are kept, a few hundred.
'use strict';

const cellSize = { width: 84, height: 92, image: 64 };
const rowHeight = 26;
const thumbsKept = 600;

// A frame's thumbnail: the region to decode and the size to show it at.
function thumbOf(frame) {
  const longest = Math.max(frame.width, frame.height);
  if (frame.width === 0 || frame.height === 0) return null;
  const step = Math.max(1, Math.ceil(longest / cellSize.image));
  const factor = step === 1 ? Math.floor(cellSize.image / longest) : 1;
  return { region: { x: 0, y: 0, width: frame.width, height: frame.height, step }, factor };
}

function gridColumns(entry) {
  return Math.max(1, Math.floor(($('.frames', entry.section).clientWidth || 320) / cellSize.width));
}

// The grid anew (after an open or an edit): no thumbnail kept; drawn when
// the current frame is shown (after the stage, which the worker draws first).
function resetGrid(entry) {
  const grid = $('.frames', entry.section);
  entry.thumbs = new Map();
  entry.cells = new Map();
  $('.spacer', grid).replaceChildren();
}

function paintThumb(entry, cell, i) {
  const thumb = entry.thumbs.get(i);
  const canvas = $('canvas', cell);
  if (!thumb || !canvas) return;
  Object.assign(canvas, { width: thumb.width, height: thumb.height });
  canvas.style.width = `${thumb.width * thumb.factor}px`;
  canvas.style.height = `${thumb.height * thumb.factor}px`;
  canvas.getContext('2d').putImageData(new ImageData(thumb.rgba, thumb.width, thumb.height), 0, 0);
}

// The cells in view made (and those out of view dropped); the thumbnails
// they lack asked of the worker in one request.
function drawGrid(entry) {
  const grid = $('.frames', entry.section);
  const spacer = $('.spacer', grid);
  const columns = gridColumns(entry);
  const rows = Math.ceil(entry.count / columns);
  spacer.style.height = `${rows * cellSize.height}px`;
  grid.style.height = `${Math.min(rows, 3) * cellSize.height + 4}px`;
  const firstRow = Math.max(0, Math.floor(grid.scrollTop / cellSize.height) - 1);
  const lastRow = Math.min(rows, Math.ceil((grid.scrollTop + grid.clientHeight) / cellSize.height) + 1);
  const from = firstRow * columns;
  const to = Math.min(entry.count, lastRow * columns);
  for (const [i, cell] of entry.cells) {
    if (i < from || i >= to || cell.columns !== columns) {
      cell.remove();
      entry.cells.delete(i);
    }
  }
  const wanted = [];
  for (let i = from; i < to; ++i) {
    if (entry.cells.has(i)) continue;
    const cell = document.createElement('div');
    cell.className = 'cell';
    cell.id = `${entry.id}-frame-${i}`;
    cell.setAttribute('role', 'option');
    cell.setAttribute('aria-selected', String(i === entry.current));
    cell.columns = columns;
    cell.style.left = `${(i % columns) * cellSize.width}px`;
    cell.style.top = `${Math.floor(i / columns) * cellSize.height}px`;
    const frame = record(entry, i);
    const thumb = thumbOf(frame);
    if (thumb) cell.append(Object.assign(document.createElement('canvas'), { className: 'checkered' }));
    else cell.append(Object.assign(document.createElement('span'), { className: 'empty', textContent: 'empty' }));
    cell.append(Object.assign(document.createElement('span'), { textContent: String(i).padStart(4, '0') }));
    cell.onclick = () => {
      showFrame(entry, i);
      grid.focus();
    };
    spacer.append(cell);
    entry.cells.set(i, cell);
    if (!thumb) continue;
    if (entry.thumbs.has(i)) paintThumb(entry, cell, i);
    else wanted.push({ index: i, region: thumb.region });
  }
  if (wanted.length === 0) return;
  entry.client.ask('draw', wanted).then((thumbs) => {
    for (const thumb of thumbs) {
      entry.thumbs.set(thumb.index, { ...thumb, factor: thumbOf(record(entry, thumb.index)).factor });
      if (entry.cells.has(thumb.index)) paintThumb(entry, entry.cells.get(thumb.index), thumb.index);
    }
    for (const i of entry.thumbs.keys()) {
      if (entry.thumbs.size <= thumbsKept) break;
      entry.thumbs.delete(i);
    }
  }, (error) => error instanceof Cancelled || drawError(entry, error.message));
}

// The grid follows the current frame: selected, and scrolled into view.
function selectInGrid(entry) {
  const grid = $('.frames', entry.section);
  for (const [i, cell] of entry.cells) cell.setAttribute('aria-selected', String(i === entry.current));
  if (!entry.count) return grid.removeAttribute('aria-activedescendant');
  const top = Math.floor(entry.current / gridColumns(entry)) * cellSize.height;
  if (top < grid.scrollTop) grid.scrollTop = top;
  else if (top + cellSize.height > grid.scrollTop + grid.clientHeight) {
    grid.scrollTop = top + cellSize.height - grid.clientHeight;
  }
  drawGrid(entry);
  grid.setAttribute('aria-activedescendant', `${entry.id}-frame-${entry.current}`);
  if (entry.tableShown) drawTable(entry);
}

// The frame table: rows in view, left, top and bits editable.
function resetTable(entry) {
  entry.tableShown = $('.table-box', entry.section).open;
  if (entry.tableShown) drawTable(entry);
}
function drawTable(entry) {
  const scroll = $('.table-scroll', entry.section);
  const body = $('.table tbody', entry.section);
  scroll.style.height = `${Math.min(320, (entry.count + 1) * rowHeight + 6)}px`;
  const first = Math.max(0, Math.floor(scroll.scrollTop / rowHeight) - 2);
  const last = Math.min(entry.count, first + Math.ceil((scroll.clientHeight || 300) / rowHeight) + 4);
  const gap = (rows) => {
    const row = document.createElement('tr');
    row.className = 'gap';
    row.style.height = `${rows * rowHeight}px`;
    return row;
  };
  const rows = [gap(first)];
  for (let i = first; i < last; ++i) {
    const frame = record(entry, i);
    const row = document.createElement('tr');
    row.className = i === entry.current ? 'row current' : 'row';
    row.insertCell().textContent = i;
    for (const key of ['left', 'top', 'width', 'height', 'bits']) {
      const cell = row.insertCell();
      if (key === 'width' || key === 'height') {
        cell.textContent = frame[key];
        continue;
      }
      // H1 keeps only the fill-only bit (32) of a frame's bits.
      const bitsMax = entry.generation === 'H1' ? 32 : 255;
      const input = Object.assign(document.createElement('input'), { type: 'number', value: frame[key],
        min: key === 'bits' ? 0 : -32768, max: key === 'bits' ? bitsMax : 32767, className: key });
      if (key === 'bits' && entry.generation === 'H1') input.step = 32;
      input.dataset.frame = i;
      input.setAttribute('aria-label', `${key} of frame ${i}`);
      input.onfocus = () => entry.current !== i && showFrame(entry, i);
      // Text that is no number reads as '' (not 0).
      input.onchange = () => setRecord(entry, i, { [key]: input.value === '' ? NaN : Number(input.value) });
      cell.append(input);
    }
    row.insertCell().textContent = frame.fillOnly ? 'yes' : 'no';
    rows.push(row);
  }
  rows.push(gap(entry.count - last));
  if (!body.contains(document.activeElement)) return body.replaceChildren(...rows);
  // A row being edited stays; the other values shown follow the records.
  for (const input of body.querySelectorAll('input')) {
    const i = Number(input.dataset.frame);
    if (input !== document.activeElement && i < entry.count) input.value = record(entry, i)[input.className];
  }
}

function setUpGrid(entry) {
  const section = entry.section;
  const grid = $('.frames', section);
  grid.addEventListener('scroll', () => drawGrid(entry), { passive: true });
  grid.onkeydown = (event) => {
    const page = { PageUp: -3, PageDown: 3 }[event.key];
    if (page) {
      showFrame(entry, entry.current + page * gridColumns(entry));
      event.preventDefault();
    } else {
      frameKeys(entry, event, gridColumns(entry));
    }
  };
  new ResizeObserver(() => drawGrid(entry)).observe(grid);
  const box = $('.table-box', section);
  box.ontoggle = () => resetTable(entry);
  $('.table-scroll', section).addEventListener('scroll', () => drawTable(entry), { passive: true });
  $('.info-box', section).ontoggle = () => $('.info-box', section).open && showInfo(entry);
}
