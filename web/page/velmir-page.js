// The page around the program: its standard output, the loading bar, the pop-up menu and the figures
// the browser test reads (window.velmir).
(function () {
'use strict';

const stepLine = /^Frame \d+, last dt=/;
const keptLines = 100000; // lines of output kept for reading back; the panel shows the last 400
const canvas = document.getElementById('canvas');
const panel = document.getElementById('output');
const showSteps = document.getElementById('show-steps');

window.velmir = {
  output: [],        // at least the last keptLines lines of standard output
  lineCount: 0,      // every line ever printed
  firstFrameMs: null, // from the start of navigation to the first frame shown
  fps: 0,
  exitStatus: null,
  ready: false,      // the program's runtime is up and may be called
  frames() {
    return velmir.ready && velmir.exitStatus === null ? Module._velmirFrameCount() : 0;
  },
};

const messages = []; // the lines that are not step lines (help, texture messages), for the panel
let panelDirty = false;
function refreshPanel() {
  panelDirty = false;
  panel.textContent = (showSteps.checked ? velmir.output : messages).slice(-400).join('\n');
  panel.scrollTop = panel.scrollHeight;
}
showSteps.addEventListener('change', () => {
  refreshPanel();
  canvas.focus(); // SPACE belongs to the program, not to the checkbox
});

function menuElement(tree, close) {
  const menu = document.createElement('div');
  menu.className = 'menu';
  menu.setAttribute('role', 'menu');
  for (const entry of tree.entries) {
    const item = document.createElement('div');
    item.className = 'entry';
    item.setAttribute('role', 'menuitem');
    item.textContent = entry.label; // exactly as the program registered it
    item.dataset.label = entry.label;
    if (entry.sub) {
      item.classList.add('has-sub');
      item.appendChild(menuElement(entry.sub, close));
      item.addEventListener('click', (e) => {
        if (e.target === item) item.classList.toggle('open');
      });
    } else {
      item.addEventListener('click', (e) => {
        e.stopPropagation();
        close();
        try {
          Module._velmirChooseMenuEntry(tree.id, entry.value);
        } catch (ex) {
          if (!(ex && ex.name === 'ExitStatus')) throw ex;
        }
      });
    }
    menu.appendChild(item);
  }
  return menu;
}

let openMenu = null;
function closeMenu() {
  if (openMenu) openMenu.remove();
  openMenu = null;
}
document.addEventListener('mousedown', (e) => {
  if (openMenu && e.button !== 2 && !openMenu.contains(e.target)) closeMenu();
});
document.addEventListener('keydown', (e) => {
  if (e.key === 'Escape') closeMenu();
});
canvas.addEventListener('contextmenu', (e) => e.preventDefault());

// The browser's GLUT reads the 'mousewheel' event's wheelDelta with the wrong sign (a notch forward
// would zoom out). That event is held back from it and passed on as the older 'DOMMouseScroll'
// event, whose sign it reads correctly (3 lines a notch, positive backwards). These listeners are
// registered before the program's, so they see the event first.
window.addEventListener('mousewheel', (e) => {
  e.stopImmediatePropagation();
  e.preventDefault();
  const notches = -e.wheelDelta / 120;
  const forwarded = new MouseEvent('DOMMouseScroll', {
    bubbles: true, cancelable: true, clientX: e.clientX, clientY: e.clientY, screenX: e.screenX,
    screenY: e.screenY, detail: notches * 3, ctrlKey: e.ctrlKey, shiftKey: e.shiftKey, altKey: e.altKey,
    metaKey: e.metaKey,
  });
  e.target.dispatchEvent(forwarded);
}, { capture: true, passive: false });

function showEnded(status) {
  velmir.exitStatus = status;
  closeMenu();
  const ended = document.getElementById('ended');
  ended.textContent = `Velmir has ended (exit status ${status}). Reload the page to start it again.`;
  ended.hidden = false;
}

const Module = {
  canvas,
  print(text) {
    velmir.output.push(text);
    velmir.lineCount++;
    if (!stepLine.test(text)) {
      messages.push(text);
      if (messages.length > 800) messages.splice(0, 400);
    }
    // Trimmed in bulk: at high time scales the program prints tens of thousands of lines a second.
    if (velmir.output.length >= 2 * keptLines) velmir.output.splice(0, velmir.output.length - keptLines);
    if (!panelDirty) {
      panelDirty = true;
      requestAnimationFrame(refreshPanel);
    }
  },
  printErr(text) {
    console.warn(text);
  },
  setStatus(text) {
    const m = /\((\d+(?:\.\d+)?)\/(\d+)\)/.exec(text);
    if (m) document.getElementById('loading-bar').value = Number(m[1]) / Number(m[2]);
  },
  // Called with the menu that the right button opens, at the pointer (canvas pixels).
  showMenu(tree, x, y) {
    closeMenu();
    openMenu = menuElement(tree, closeMenu);
    openMenu.id = 'velmir-menu';
    openMenu.style.left = `${x}px`;
    openMenu.style.top = `${y}px`;
    document.getElementById('stage').appendChild(openMenu);
  },
  onRuntimeInitialized() {
    velmir.ready = true;
  },
  onExit: showEnded,
  quit(status, toThrow) {
    if (velmir.exitStatus === null) showEnded(status);
    throw toThrow;
  },
};

window.Module = Module;

// The first frame ends the loading screen; after it, the frame rate once a second.
(function watchFrames() {
  let lastCount = 0;
  let lastTime = performance.now();
  function tick(now) {
    const count = velmir.frames();
    if (velmir.firstFrameMs === null && count > 0) {
      velmir.firstFrameMs = now;
      document.getElementById('loading').hidden = true;
      canvas.focus();
    }
    if (now - lastTime >= 1000) {
      velmir.fps = ((count - lastCount) * 1000) / (now - lastTime);
      lastCount = count;
      lastTime = now;
      document.getElementById('status').textContent = `${velmir.fps.toFixed(0)} frames per second`;
    }
    if (velmir.exitStatus === null) requestAnimationFrame(tick);
  }
  requestAnimationFrame(tick);
})();
})();
