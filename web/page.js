'use strict';
// The page side of the game. The rule book runs as WebAssembly (tarnwick.js);
// this script hands it the player's pointer and button events, and shows on
// the page what it asks for through the bridge (bridge.js): hole pictures,
// the drag, the modal message, the cues, the end of the program.

const TarnwickPage = (() => {
    const client = document.getElementById('client');
    const dragPicture = document.getElementById('drag');
    const rules = document.getElementById('rules');
    const message = document.getElementById('message');
    const holes = [];
    for (let hole = 1; hole <= 15; ++hole) {
        holes.push(document.getElementById('hole' + hole));
    }

    let ready = false;
    let ended = false;
    let messageOpen = false;
    // The pointer that holds a peg, while a drag runs.
    let drag = null;
    // The press being handed to the game, so that beginDrag knows its pointer.
    let pressing = null;
    let audio = null;
    let playing = null;
    let cueSerial = 0;

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
        if (drag) {
            if (event.pointerId === drag.pointerId) {
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

    function onPointerUp(event) {
        if (!drag || event.pointerId !== drag.pointerId) {
            return;
        }
        const pointerType = drag.pointerType;
        const index = holeIndexOf(document.elementFromPoint(event.clientX, event.clientY));
        const module = game();
        if (module) {
            index >= 0 ? module._tarnwick_image1_mouse_up(index) : module._tarnwick_form_mouse_up();
        }
        endDrag();
        // Touch and pen have no hover to bring a peg back later: back at once.
        if (index < 0 && pointerType !== 'mouse' && game()) {
            Module._tarnwick_form_mouse_move();
        }
    }

    function onPointerCancel(event) {
        if (drag && event.pointerId === drag.pointerId) {
            endDrag();
            if (game()) {
                Module._tarnwick_form_mouse_up();
                Module._tarnwick_form_mouse_move();
            }
        }
    }

    function centre(dialog) {
        const left = Module._tarnwick_centred_offset(window.innerWidth, dialog.offsetWidth);
        const top = Module._tarnwick_centred_offset(window.innerHeight, dialog.offsetHeight);
        dialog.style.left = left + 'px';
        dialog.style.top = top + 'px';
    }

    function Command2_Click() {
        // The rules open centred; when open, HELP only brings them forward.
        if (!rules.open) {
            rules.show();
            centre(rules);
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
    // same down-mix to mono or stereo as on the desktop. Null for anything it
    // refuses.
    function decodeCue(bytes) {
        const length = bytes.byteLength;
        const input = Module._malloc(Math.max(length, 1));
        if (!input) {
            return null;
        }
        Module.HEAPU8.set(bytes, input);
        const sound = Module._tarnwick_read_wave(input, length);
        Module._free(input);
        if (!sound) {
            return null;
        }
        try {
            const channels = Module._tarnwick_wave_channels(sound);
            const frames = Module._tarnwick_wave_frames(sound) >>> 0;
            const rate = Module._tarnwick_wave_rate(sound);
            const samples = Module._tarnwick_wave_samples(sound) >> 1;
            const buffer = audio.createBuffer(channels, frames, rate);
            for (let channel = 0; channel < channels; ++channel) {
                const data = buffer.getChannelData(channel);
                for (let frame = 0, at = samples + channel; frame < frames; ++frame, at += channels) {
                    data[frame] = Module.HEAP16[at] / 32768;
                }
            }
            return buffer;
        } catch (error) {
            return null; // a rate or length Web Audio cannot take
        } finally {
            Module._tarnwick_free_wave(sound);
        }
    }

    function endDrag() {
        if (!drag) {
            return;
        }
        if (client.hasPointerCapture(drag.pointerId)) {
            client.releasePointerCapture(drag.pointerId);
        }
        drag = null;
        dragPicture.classList.remove('shown');
        document.documentElement.classList.remove('dragging');
    }

    function whenReady() {
        ready = true;
        client.addEventListener('pointerdown', onPointerDown);
        document.addEventListener('pointermove', onPointerMove);
        document.addEventListener('pointerup', onPointerUp);
        document.addEventListener('pointercancel', onPointerCancel);
        client.addEventListener('contextmenu', (event) => event.preventDefault());
        // No scrolling under a dragged peg, whatever the browser makes of touch-action.
        document.addEventListener('touchmove', (event) => {
            if (drag) {
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

        showPicture(hole, peg, name) {
            const cell = holes[hole - 1];
            cell.classList.toggle('peg', peg);
            cell.classList.toggle('nopeg', !peg);
            cell.setAttribute('aria-label', name);
        },

        beginDrag(hole) {
            const event = pressing;
            if (!event || drag) {
                return;
            }
            drag = { pointerId: event.pointerId, pointerType: event.pointerType, hole };
            client.setPointerCapture(event.pointerId);
            placeDragPicture(event);
            dragPicture.classList.add('shown');
            if (event.pointerType === 'mouse') {
                document.documentElement.classList.add('dragging');
            }
        },

        endDrag,

        playCue(fileName) {
            // A new cue cuts off the playing one at once, even where its own
            // file turns out missing or broken.
            const serial = ++cueSerial;
            stopCue();
            if (!audio || ended) {
                return;
            }
            fetch(fileName, { cache: 'no-store' })
                .then(readCue)
                .then((bytes) => {
                    if (!bytes || serial !== cueSerial || ended) {
                        return;
                    }
                    const buffer = decodeCue(bytes);
                    if (!buffer || serial !== cueSerial) {
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
                })
                .catch(() => {});
        },

        showMessage(text) {
            return new Promise((resolve) => {
                endDrag();
                messageOpen = true;
                document.getElementById('message-text').textContent = text;
                message.addEventListener('close', () => {
                    messageOpen = false;
                    resolve();
                }, { once: true });
                message.showModal();
                document.getElementById('message-ok').focus();
            });
        },

        endProgram() {
            // An installed app, or a window a script opened, may close
            // itself; any other page stops the game and is left empty.
            ended = true;
            endDrag();
            stopCue();
            if (audio) {
                audio.close().catch(() => {});
            }
            window.close();
            document.body.replaceChildren();
        },
    };
})();

var Module = {
    postRun: [() => TarnwickPage.whenReady()],
};

// The first frame, the board with its pegs, is in the page itself and waits
// for nothing but its pictures. The rule book (tarnwick.js and its .wasm)
// loads once the page has, and then the service worker, which keeps a copy
// of the whole site, so that neither holds up those pictures. This script is
// deferred, so the page has not loaded yet.
window.addEventListener('load', () => {
    const ruleBook = document.createElement('script');
    ruleBook.src = 'tarnwick.js';
    document.head.append(ruleBook);
    if ('serviceWorker' in navigator) {
        navigator.serviceWorker.register('sw.js').catch(() => {});
    }
}, { once: true });
