'use strict';
// The page side of the game. The rule book runs as WebAssembly (tarnwick.js);
// this script hands it the player's pointer, key and button events, and
// shows on the page what it asks for through the bridge (bridge.js): hole
// pictures, the drag, the keyboard's mark, the modal message, the cues, the
// end of the program. Whether a drag runs, and which peg is held, is the
// game's alone.

const TarnwickPage = (() => {
    const kCannotStart = 'The game could not start. Reload the page to try again.';
    const kEnded = 'The game has ended. Reload the page to play again.';
    const client = document.getElementById('client');
    const board = document.getElementById('holes');
    const dragPicture = document.getElementById('drag');
    const rules = document.getElementById('rules');
    const rulesCaption = document.getElementById('rules-caption');
    const message = document.getElementById('message');
    const holes = [];
    for (let hole = 1; hole <= 15; ++hole) {
        holes.push(document.getElementById('hole' + hole));
    }

    // No long-press or right-click menu over the game window, from before
    // the rule book loads (double-tap zoom is off there through CSS).
    client.addEventListener('contextmenu', (event) => event.preventDefault());

    let ready = false;
    let ended = false;
    let messageOpen = false;
    // The id of the pointer the page captured for the game's drag: its
    // releases and moves are the drag's, and no other pointer's count
    // meanwhile. A peg the keyboard picked up has none.
    let capturedPointer = null;
    // The press being handed to the game, so that beginDrag knows its pointer.
    let pressing = null;
    let audio = null;
    let playing = null;
    let cueSerial = 0;
    // The cues by file name, each { buffer, loaded }: buffer is undefined
    // while its file loads, then an AudioBuffer, or null for a file that is
    // missing, broken or too large to hold; loaded settles with it.
    const cues = new Map();
    let cueQueue = Promise.resolve();
    // How many cues have finished loading, heard or not (for the tests,
    // which listen only once every cue can start at its press).
    let cuesSettled = 0;

    const game = () => (ready && !ended && !messageOpen ? Module : null);
    const holeIndexOf = (element) => (element ? holes.indexOf(element.closest('.hole')) : -1);

    function startAudio() {
        // Browsers let a page start sound only from a press of the player's.
        if (!audio) {
            const Context = window.AudioContext || window.webkitAudioContext;
            if (!Context) {
                return;
            }
            // The smallest buffer the browser allows: a cue answers a press,
            // and the browser's own output adds some 30 ms after it.
            audio = new Context({ latencyHint: 0 });
        }
        if (audio.state === 'suspended') {
            audio.resume().catch(() => {});
        }
    }

    function placeDragPicture(event) {
        dragPicture.style.left = event.clientX - dragPicture.offsetWidth / 2 + 'px';
        dragPicture.style.top = event.clientY - dragPicture.offsetHeight / 2 + 'px';
    }

    function onPointerDown(event) {
        const index = holeIndexOf(event.target);
        if (index < 0) {
            return;
        }
        // A hole cell takes no focus and opens no menu, as on the desktop.
        event.preventDefault();
        const module = game();
        if (!module) {
            return;
        }
        startAudio();
        pressing = event;
        try {
            module._tarnwick_image1_mouse_down(index);
        } finally {
            pressing = null;
        }
    }

    function onPointerMove(event) {
        if (capturedPointer !== null) {
            if (event.pointerId === capturedPointer) {
                placeDragPicture(event);
            }
            return;
        }
        // A peg released off the board goes back when the mouse next moves
        // over the background: not over a hole or a button.
        const module = game();
        if (module && event.pointerType === 'mouse'
            && (event.target === client || event.target.id === 'board')) {
            module._tarnwick_form_mouse_move();
        }
    }

    // Every release goes to the game, which alone knows whether it drops a
    // peg: one the keyboard picked up is dropped by a click on a hole too.
    function onPointerUp(event) {
        if (capturedPointer !== null && event.pointerId !== capturedPointer) {
            return;
        }
        const index = holeIndexOf(document.elementFromPoint(event.clientX, event.clientY));
        const module = game();
        if (!module) {
            return;
        }
        index >= 0 ? module._tarnwick_image1_mouse_up(index) : module._tarnwick_form_mouse_up();
        // Touch and pen have no hover to bring a peg back later: back at once.
        if (index < 0 && event.pointerType !== 'mouse' && game()) {
            Module._tarnwick_form_mouse_move();
        }
    }

    function onPointerCancel(event) {
        if (event.pointerId === capturedPointer && game()) {
            Module._tarnwick_form_mouse_up();
            Module._tarnwick_form_mouse_move();
        }
    }

    // The board's keys and focus, as the game knows them. Keys that are not
    // the board's (Tab, Esc...) keep their usual meaning.
    function onBoardKeyDown(event) {
        if (event.altKey || event.ctrlKey || event.metaKey) {
            return;
        }
        const name = new TextEncoder().encode(event.key + '\0');
        const at = Module._malloc(name.length);
        if (!at) {
            return;
        }
        Module.HEAPU8.set(name, at);
        const key = Module._tarnwick_board_key(at);
        Module._free(at);
        if (key < 0) {
            return;
        }
        // Before the game runs: a key that ends the game sleeps in its message.
        event.preventDefault();
        game()?._tarnwick_board_key_down(key);
    }

    // Tells the game where the focus is, once it may hear it again: focus
    // that moved while the message was up reached no one.
    function reportBoardFocus() {
        const module = game();
        if (module) {
            document.activeElement === board ? module._tarnwick_board_got_focus()
                : module._tarnwick_board_lost_focus();
        }
    }

    // The rules' scale on screen: the whole window scaled down where the
    // viewport is smaller than it, its lines as printed.
    function fitRules() {
        const scale = Math.min(1, window.innerWidth / rules.offsetWidth,
            window.innerHeight / rules.offsetHeight);
        rules.style.transform = scale < 1 ? `scale(${scale})` : '';
        return scale;
    }

    // Moves the rules' top-left corner to (left, top), kept inside the
    // viewport so that their caption can always be taken again.
    function placeRules(left, top) {
        const scale = fitRules();
        const right = window.innerWidth - rules.offsetWidth * scale;
        const bottom = window.innerHeight - rules.offsetHeight * scale;
        rules.style.left = Math.max(0, Math.min(left, right)) + 'px';
        rules.style.top = Math.max(0, Math.min(top, bottom)) + 'px';
    }

    function centreRules() {
        const scale = fitRules();
        placeRules(
            Module._tarnwick_centred_offset(window.innerWidth, Math.round(rules.offsetWidth * scale)),
            Module._tarnwick_centred_offset(window.innerHeight, Math.round(rules.offsetHeight * scale)));
    }

    // The rules move by their caption, with a mouse, a finger or a pen: the
    // caption keeps the pointer until it is let go.
    let rulesDrag = null;

    function onRulesCaptionDown(event) {
        if (rulesDrag || !event.isPrimary || event.button !== 0) {
            return;
        }
        event.preventDefault();
        const corner = rules.getBoundingClientRect();
        rulesDrag = { pointerId: event.pointerId, x: event.clientX - corner.left, y: event.clientY - corner.top };
        rulesCaption.setPointerCapture(event.pointerId);
    }

    function onRulesCaptionMove(event) {
        if (rulesDrag && event.pointerId === rulesDrag.pointerId) {
            placeRules(event.clientX - rulesDrag.x, event.clientY - rulesDrag.y);
        }
    }

    function onRulesCaptionUp(event) {
        if (rulesDrag && event.pointerId === rulesDrag.pointerId) {
            rulesDrag = null;
        }
    }

    function Command2_Click() {
        // The rules open centred; when open, HELP only brings them forward.
        if (!rules.open) {
            rules.show();
            centreRules();
        }
        document.getElementById('rules-ok').focus();
    }

    function stopCue() {
        if (playing) {
            try {
                playing.stop();
            } catch (error) {
                // Already stopped.
            }
            playing.disconnect();
            playing = null;
        }
    }

    // The body of a cue's response, or null where it is larger than any cue
    // the wave reader takes: such a file is not read to its end.
    async function readCue(response) {
        const limit = Module._tarnwick_max_cue_bytes() >>> 0;
        if (!response.ok || Number(response.headers.get('Content-Length')) > limit) {
            response.body?.cancel().catch(() => {});
            return null;
        }
        const reader = response.body.getReader();
        const parts = [];
        let length = 0;
        for (;;) {
            const { done, value } = await reader.read();
            if (done) {
                break;
            }
            length += value.length;
            if (length > limit) {
                reader.cancel().catch(() => {});
                return null;
            }
            parts.push(value);
        }
        const bytes = new Uint8Array(length);
        let at = 0;
        for (const part of parts) {
            bytes.set(part, at);
            at += part.length;
        }
        return bytes;
    }

    // The cue's bytes through the core's wave reader: the same limits and the
    // same down-mix to mono or stereo as on the desktop. The samples are
    // copied out of the WebAssembly memory and freed there at once. Null for
    // anything the reader refuses or has no memory for.
    function decodeCue(bytes) {
        const length = bytes.byteLength;
        const input = Module._malloc(Math.max(length, 1));
        if (!input) {
            return null;
        }
        Module.HEAPU8.set(bytes, input);
        const cue = Module._tarnwick_decode_cue(input, length);
        Module._free(input);
        if (!cue) {
            return null;
        }
        try {
            const channels = Module._tarnwick_cue_channels(cue);
            const frames = Module._tarnwick_cue_frames(cue) >>> 0;
            const sampleRate = Module._tarnwick_cue_rate(cue);
            const samples = Module._tarnwick_cue_samples(cue) >>> 1;
            const heap = Module.HEAP16;
            const buffer = new AudioBuffer({ numberOfChannels: channels, length: frames, sampleRate });
            for (let channel = 0; channel < channels; ++channel) {
                const data = buffer.getChannelData(channel);
                for (let frame = 0, at = samples + channel; frame < frames; ++frame, at += channels) {
                    data[frame] = heap[at] / 32768;
                }
            }
            return buffer;
        } catch (error) {
            return null; // a buffer this browser cannot make
        } finally {
            Module._tarnwick_free_cue(cue);
        }
    }

    // Fetches the cue once per load, revalidated with the server (so a cue
    // replaced beside the page is heard from the next load; offline the
    // service worker's copy answers), and decodes it. Every fetch starts at
    // once, but the bodies are read and decoded one after another, so a large
    // cue never has a second one beside it in memory.
    function loadCue(fileName) {
        const response = fetch(fileName, { cache: 'no-cache' });
        response.catch(() => {});
        const cue = { buffer: undefined };
        cue.loaded = cueQueue = cueQueue
            .then(() => response)
            .then(readCue)
            .then((bytes) => (bytes && !ended ? decodeCue(bytes) : null))
            .catch(() => null)
            .then((buffer) => {
                cue.buffer = buffer;
                ++cuesSettled;
                return buffer;
            });
        cues.set(fileName, cue);
    }

    function startCue(buffer) {
        if (!buffer) {
            return;
        }
        const source = audio.createBufferSource();
        source.buffer = buffer;
        source.connect(audio.destination);
        source.onended = () => {
            if (playing === source) {
                playing = null;
            }
            source.disconnect();
        };
        source.start();
        playing = source;
    }

    function endDrag() {
        if (capturedPointer === null) {
            return;
        }
        if (client.hasPointerCapture(capturedPointer)) {
            client.releasePointerCapture(capturedPointer);
        }
        capturedPointer = null;
        dragPicture.classList.remove('shown');
        document.documentElement.classList.remove('dragging');
    }

    // The page's one line once the game is gone: it cannot start, or the
    // player quit where the page may not close itself.
    function leaveOnly(line) {
        const paragraph = document.createElement('p');
        paragraph.id = 'page-line';
        paragraph.setAttribute('role', 'alert');
        paragraph.textContent = line;
        document.body.replaceChildren(paragraph);
    }

    function cannotStart() {
        if (!ready && !ended) {
            ended = true;
            leaveOnly(kCannotStart);
        }
    }

    function whenReady() {
        if (ended) {
            return;
        }
        ready = true;
        for (const button of client.querySelectorAll('button')) {
            button.disabled = false;
        }
        board.tabIndex = 0;
        client.removeAttribute('aria-busy');
        // Start Game has the focus at start, unless the player has moved it.
        if (!document.activeElement || document.activeElement === document.body) {
            document.getElementById('command1').focus();
        }
        client.addEventListener('pointerdown', onPointerDown);
        document.addEventListener('pointermove', onPointerMove);
        document.addEventListener('pointerup', onPointerUp);
        document.addEventListener('pointercancel', onPointerCancel);
        board.addEventListener('keydown', onBoardKeyDown);
        board.addEventListener('focus', reportBoardFocus);
        board.addEventListener('blur', reportBoardFocus);
        // No scrolling under a dragged peg, whatever the browser makes of touch-action.
        document.addEventListener('touchmove', (event) => {
            if (capturedPointer !== null) {
                event.preventDefault();
            }
        }, { passive: false });

        document.getElementById('command1').addEventListener('click', () => {
            startAudio();
            game()?._tarnwick_command1_click();
        });
        document.getElementById('command2').addEventListener('click', () => {
            startAudio();
            if (game()) {
                Command2_Click();
            }
        });
        document.getElementById('command3').addEventListener('click', () => {
            game()?._tarnwick_command3_click();
        });
        document.getElementById('rules-ok').addEventListener('click', () => rules.close());
        rulesCaption.addEventListener('pointerdown', onRulesCaptionDown);
        rulesCaption.addEventListener('pointermove', onRulesCaptionMove);
        rulesCaption.addEventListener('pointerup', onRulesCaptionUp);
        rulesCaption.addEventListener('pointercancel', onRulesCaptionUp);
        rulesCaption.addEventListener('lostpointercapture', onRulesCaptionUp);
        // A viewport that shrinks (a phone turned) keeps the rules whole and inside.
        window.addEventListener('resize', () => {
            if (rules.open) {
                const corner = rules.getBoundingClientRect();
                placeRules(corner.left, corner.top);
            }
        });
        // Esc does nothing in the rules: only "OK" closes them.
        rules.addEventListener('cancel', (event) => event.preventDefault());
        document.getElementById('message-ok').addEventListener('click', () => message.close());
        // Esc answers the message as "OK" does, as the desktop's message box.
        message.addEventListener('keydown', (event) => {
            if (event.key === 'Escape') {
                event.preventDefault();
                message.close();
            }
        });
        message.addEventListener('cancel', (event) => {
            event.preventDefault();
            message.close();
        });
    }

    return {
        whenReady,
        cannotStart,

        showPicture(hole, peg, name) {
            const cell = holes[hole - 1];
            cell.classList.toggle('peg', peg);
            cell.classList.toggle('nopeg', !peg);
            cell.setAttribute('aria-label', name);
        },

        // The drag picture follows the pointer that pressed; a peg the
        // keyboard picked up shows only as its empty hole.
        beginDrag() {
            const event = pressing;
            if (!event || capturedPointer !== null) {
                return;
            }
            capturedPointer = event.pointerId;
            client.setPointerCapture(event.pointerId);
            placeDragPicture(event);
            dragPicture.classList.add('shown');
            if (event.pointerType === 'mouse') {
                document.documentElement.classList.add('dragging');
            }
        },

        endDrag,

        showKeyboardFocus(hole, spoken) {
            board.querySelector('.keyboard')?.classList.remove('keyboard');
            if (hole > 0) {
                holes[hole - 1].classList.add('keyboard');
                board.setAttribute('aria-label', spoken);
            } else {
                board.removeAttribute('aria-label');
            }
        },

        loadCue,
        cuesSettled: () => cuesSettled,

        playCue(fileName) {
            // A new cue cuts off the playing one at once, even where its own
            // file turns out missing or broken.
            const serial = ++cueSerial;
            stopCue();
            const cue = cues.get(fileName);
            if (!audio || ended || !cue) {
                return;
            }
            if (cue.buffer !== undefined) {
                startCue(cue.buffer);
                return;
            }
            // Still loading: heard only if it can start in time, as on the
            // desktop, so a slow server never makes the game burst into old sounds.
            const requested = performance.now();
            cue.loaded.then((buffer) => {
                if (serial === cueSerial && !ended
                    && performance.now() - requested <= Module._tarnwick_cue_stale_after_ms()) {
                    startCue(buffer);
                }
            });
        },

        showMessage(text) {
            return new Promise((resolve) => {
                endDrag();
                messageOpen = true;
                document.getElementById('message-text').textContent = text;
                message.addEventListener('close', () => {
                    messageOpen = false;
                    resolve();
                    // After the game has woken (resolve's reaction runs first).
                    queueMicrotask(reportBoardFocus);
                }, { once: true });
                message.showModal();
                document.getElementById('message-ok').focus();
            });
        },

        endProgram() {
            // An installed app, or a window a script opened, may close
            // itself; any other page stops the game and says how to play again.
            ended = true;
            endDrag();
            stopCue();
            if (audio) {
                audio.close().catch(() => {});
            }
            window.close();
            leaveOnly(kEnded);
        },
    };
})();

var Module = {
    postRun: [() => TarnwickPage.whenReady()],
    // A missing or broken tarnwick.wasm, or a rule book that fails to start.
    onAbort: () => TarnwickPage.cannotStart(),
};

// The first frame, the board with its pegs, is in the page itself and waits
// for nothing but its pictures. The rule book (tarnwick.js and its .wasm)
// loads once the page has, and then the service worker, which keeps a copy
// of the whole site, so that neither holds up those pictures. This script is
// deferred, so the page has not loaded yet. The build names the rule book by
// its content, beside this script's own tag.
const kRuleBook = document.currentScript.dataset.ruleBook;
window.addEventListener('load', () => {
    const ruleBook = document.createElement('script');
    ruleBook.src = kRuleBook;
    ruleBook.addEventListener('error', () => TarnwickPage.cannotStart());
    // A tarnwick.js that is not the rule book's defines none of its exports.
    ruleBook.addEventListener('load', () => {
        if (typeof Module._tarnwick_image1_mouse_down !== 'function') {
            TarnwickPage.cannotStart();
        }
    });
    document.head.append(ruleBook);
    if ('serviceWorker' in navigator) {
        navigator.serviceWorker.register('sw.js').catch(() => {});
    }
}, { once: true });
