// The stage: an archive's current frame at its place on the archive's
// rectangle, the reference point (0, 0) marked, the previous frame faint
// beneath it (onion skin), the pixel under the pointer told (index, colour,
// frame coordinates), the palette, and why a shadow frame looks as it does.
// Only what is on screen is drawn: the worker decodes the visible part of
// a frame, every step-th pixel when the rectangle is larger than the stage,
// so a 16000 x 16000 frame costs a screen's worth of pixels. Frames are
// placed here: dragged, or moved with Alt+arrows (edit.js rebuilds).
'use strict';

// The stage's width at most: the workbench's, less the aside's beside it
// (below it on a narrow screen, page.css).
function stageRoom(entry) {
  const bench = $('.workbench', entry.section);
  const beside = bench.clientWidth >= 600 ? $('aside', entry.section).offsetWidth + 16 : 0;
  return Math.max(bench.clientWidth - beside - 2, 100);
}

// Sampled pixels a screen pixel (step) and screen pixels a sample (zoom).
function stageScale(entry) {
  const chosen = Number($('.zoom', entry.section).value);
  if (chosen) return { zoom: chosen, step: 1 };
  const fit = Math.min(stageRoom(entry) / entry.rect.width,
    Math.min(window.innerHeight * 0.6, 480) / entry.rect.height);
  if (fit >= 1) return { zoom: Math.min(16, Math.floor(fit)), step: 1 };
  return { zoom: 1, step: Math.ceil(1 / fit) };
}

// The part of frame i's region that lies in samples [k0, k1) of each axis,
// or null: {region (frame coordinates, step), at (first sample)}.
function regionOf(entry, i, k0, k1, step) {
  const frame = record(entry, i);
  const axis = (start, size, origin, a, b) => {
    const first = Math.max(a, Math.ceil((start - origin) / step));
    const end = Math.min(b, Math.ceil((start + size - origin) / step));
    return end > first ? [origin + first * step - start, (end - first - 1) * step + 1, first] : null;
  };
  const x = axis(frame.left, frame.width, entry.rect.x, k0[0], k1[0]);
  const y = axis(frame.top, frame.height, entry.rect.y, k0[1], k1[1]);
  if (!x || !y) return null;
  return { region: { x: x[0], y: y[0], width: x[1], height: y[1], step }, at: [x[2], y[2]] };
}

// Draws the stage again (once the worker is done with the last drawing).
function drawStage(entry) {
  if (entry.drawing) {
    entry.drawAgain = true;
    return;
  }
  const section = entry.section;
  const stage = $('.stage', section);
  const canvas = $('.view', section);
  const { zoom, step } = stageScale(entry);
  const columns = Math.ceil(entry.rect.width / step);
  const rows = Math.ceil(entry.rect.height / step);
  const spacer = $('.spacer', stage);
  spacer.style.width = `${columns * zoom}px`;
  spacer.style.height = `${rows * zoom}px`;
  stage.style.height = `${Math.min(rows * zoom, Math.max(window.innerHeight * 0.6, 200)) + 2}px`;
  stage.style.width = `${Math.min(columns * zoom, stageRoom(entry)) + 2}px`;
  const k0 = [Math.floor(stage.scrollLeft / zoom), Math.floor(stage.scrollTop / zoom)];
  const k1 = [Math.min(columns, Math.ceil((stage.scrollLeft + stage.clientWidth) / zoom)),
    Math.min(rows, Math.ceil((stage.scrollTop + stage.clientHeight) / zoom))];
  const reference = $('.reference', stage);
  reference.style.left = `${((-entry.rect.x) / step) * zoom}px`;
  reference.style.top = `${((-entry.rect.y) / step) * zoom}px`;
  const onion = $('.onion', section).checked && entry.current > 0 && !entry.playing;
  const wanted = (onion ? [entry.current - 1, entry.current] : [entry.current])
    .map((index) => ({ index, ...regionOf(entry, index, k0, k1, step) }))
    .filter((part) => part.region);
  const shown = { k0, zoom, step, current: entry.current, parts: [] };
  const paint = (parts) => {
    const width = Math.max(k1[0] - k0[0], 1);
    const height = Math.max(k1[1] - k0[1], 1);
    Object.assign(canvas, { width, height });
    Object.assign(canvas.style, { left: `${k0[0] * zoom}px`, top: `${k0[1] * zoom}px`,
      width: `${width * zoom}px`, height: `${height * zoom}px` });
    const context = canvas.getContext('2d');
    for (const part of parts) {
      const scratch = new OffscreenCanvas(part.width, part.height);
      scratch.getContext('2d').putImageData(new ImageData(part.rgba, part.width, part.height), 0, 0);
      context.globalAlpha = part.index === shown.current ? 1 : 0.3;
      context.drawImage(scratch, part.at[0] - k0[0], part.at[1] - k0[1]);
    }
    shown.parts = parts;
    entry.shown = shown;
    canvas.dataset.frame = shown.current;
  };
  if (wanted.length === 0 || entry.count === 0) return paint([]);
  entry.drawing = true;
  entry.client.ask('draw', wanted.map(({ index, region }) => ({ index, region })))
    .then((parts) => paint(parts.map((part, i) => ({ ...part, at: wanted[i].at }))),
      (error) => error instanceof Cancelled || drawError(entry, error.message))
    .finally(() => {
      entry.drawing = false;
      if (entry.drawAgain) {
        entry.drawAgain = false;
        drawStage(entry);
      }
    });
}

const hex = (palette, index) => `#${[...palette.subarray(index * 3, index * 3 + 3)]
  .map((byte) => byte.toString(16).padStart(2, '0')).join('')}`;

// Frame i becomes the current one: stage, note, text and grid follow.
function showFrame(entry, i) {
  const section = entry.section;
  entry.current = Math.max(0, Math.min(i, entry.count - 1));
  const frame = entry.count ? record(entry, entry.current) : null;
  $('.frame-text', section).textContent = frame
    ? `frame ${entry.current} of ${entry.count}: ${frame.width} x ${frame.height} at (${frame.left}, ${frame.top})`
    : 'no frames';
  $('.stage', section).setAttribute('aria-label', `${$('.frame-text', section).textContent}; ` +
    'arrows: frames, Alt+arrows: move the frame');
  let note = '';
  if (frame?.fillOnly) {
    note = `Frame ${entry.current} is a shadow (fill-only): its pixels carry no colour, the game ` +
      `darkens what lies beneath them; drawn here in colour 5 (${hex(entry.palette, 5)}).`;
  } else if (frame && (frame.width === 0 || frame.height === 0)) {
    note = `Frame ${entry.current} is empty (${frame.width} x ${frame.height}).`;
  }
  $('.note', section).textContent = note;
  drawStage(entry);
  selectInGrid(entry);
}

// What the pointer is on: a pixel of the current frame (from the samples
// drawn, each a pixel of the frame), or the rectangle around it.
function tellPixel(entry, event) {
  const shown = entry.shown;
  const out = $('.pixel', entry.section);
  if (!shown) return;
  const canvas = $('.view', entry.section);
  const k = [Math.floor(event.offsetX / shown.zoom) + shown.k0[0], Math.floor(event.offsetY / shown.zoom) + shown.k0[1]];
  const sprite = [entry.rect.x + k[0] * shown.step, entry.rect.y + k[1] * shown.step];
  const frame = record(entry, shown.current);
  const at = [sprite[0] - frame.left, sprite[1] - frame.top];
  const part = shown.parts.find((p) => p.index === shown.current);
  const u = part && k[0] - part.at[0];
  const v = part && k[1] - part.at[1];
  if (!part || u < 0 || v < 0 || u >= part.width || v >= part.height) {
    out.textContent = `(${sprite[0]}, ${sprite[1]}) from the reference point: outside frame ${shown.current}`;
    return;
  }
  const index = part.pixels[v * part.width + u];
  out.textContent = `Frame ${shown.current} pixel (${at[0]}, ${at[1]}): index ${index}` +
    (index === 0 ? ', transparent' : `, ${hex(entry.palette, index)}`);
  canvas.title = out.textContent;
}

function drawPalette(entry) {
  const canvas = $('.palette', entry.section);
  const image = new ImageData(16, 16);
  for (let i = 0; i < 256; ++i) image.data.set([...entry.palette.subarray(i * 3, i * 3 + 3), 255], i * 4);
  canvas.getContext('2d').putImageData(image, 0, 0);
  canvas.setAttribute('aria-label', `The ${entry.generation} palette: 256 colours, index 0 transparent`);
  canvas.onpointermove = (event) => {
    const index = Math.floor(event.offsetY / (canvas.clientHeight / 16)) * 16 +
      Math.floor(event.offsetX / (canvas.clientWidth / 16));
    if (index >= 0 && index < 256) {
      $('.pixel', entry.section).textContent = `Palette index ${index}: ${hex(entry.palette, index)}`;
    }
  };
}

// Arrow keys: Left/Right (and Up/Down by a grid row) browse frames, Home
// and End go to the ends; with Alt they move the frame (Shift: by 10).
function frameKeys(entry, event, rowLength = 1) {
  const steps = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] }[event.key];
  if (event.altKey && steps) {
    const by = event.shiftKey ? 10 : 1;
    moveFrame(entry, steps[0] * by, steps[1] * by);
  } else if (steps) {
    showFrame(entry, entry.current + steps[0] + steps[1] * rowLength);
  } else if (event.key === 'Home' || event.key === 'End') {
    showFrame(entry, event.key === 'Home' ? 0 : entry.count - 1);
  } else {
    return;
  }
  event.preventDefault();
}

// The stage's controls, once a section is made.
function setUpStage(entry) {
  const section = entry.section;
  const stage = $('.stage', section);
  const canvas = $('.view', section);
  stage.onkeydown = (event) => frameKeys(entry, event);
  stage.addEventListener('scroll', () => drawStage(entry), { passive: true });
  canvas.onpointermove = (event) => tellPixel(entry, event);
  // Dragging the frame places it: by whole pixels of the sprite.
  canvas.onpointerdown = (event) => {
    if (event.button !== 0 || !entry.count) return;
    canvas.setPointerCapture(event.pointerId);
    const { zoom, step } = stageScale(entry);
    const start = { x: event.clientX, y: event.clientY, moved: [0, 0] };
    canvas.onpointermove = (move) => {
      const to = [Math.round((move.clientX - start.x) / zoom) * step, Math.round((move.clientY - start.y) / zoom) * step];
      moveFrame(entry, to[0] - start.moved[0], to[1] - start.moved[1]);
      start.moved = to;
    };
    canvas.onpointerup = () => {
      canvas.onpointermove = (move) => tellPixel(entry, move);
      canvas.onpointerup = null;
    };
  };
  $('.zoom', section).onchange = () => drawStage(entry);
  $('.onion', section).onchange = () => drawStage(entry);
  const speed = $('.speed', section);
  speed.oninput = () => {
    $('.speed-text', section).textContent = `${speed.value} ms`;
  };
  const tick = () => {
    clearTimeout(entry.timer);
    if (!entry.playing || !section.isConnected) return;
    if (!entry.drawing) showFrame(entry, (entry.current + 1) % Math.max(entry.count, 1));
    entry.timer = setTimeout(tick, Number(speed.value));
  };
  $('.play', section).onclick = (event) => {
    entry.playing = !entry.playing;
    event.target.textContent = entry.playing ? 'Pause' : 'Play';
    tick();
  };
  new ResizeObserver(() => drawStage(entry)).observe(stage);
}
