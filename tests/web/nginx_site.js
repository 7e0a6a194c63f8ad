'use strict';
// A private nginx serving a folder at /games/tarnwick/ with the shipped
// configuration (packaging/web/tarnwick.conf): the tests see what hosts
// serve. Its files live in a prefix under TMPDIR; it is one process of this
// user on a free port of 127.0.0.1, ended on close() and when Node ends.

const { spawn } = require('node:child_process');
const fs = require('node:fs');
const http = require('node:http');
const net = require('node:net');
const os = require('node:os');
const path = require('node:path');

const kShippedConfig = path.join(__dirname, '..', '..', 'packaging', 'web', 'tarnwick.conf');
const kSubPath = '/games/tarnwick/';

// Any checkout path (spaces, commas, colons, semicolons) stays one argument.
const quoted = (text) => `"${text.replace(/[\\"]/g, (c) => `\\${c}`)}"`;

const freePort = () => new Promise((resolve, reject) => {
    const probe = net.createServer().on('error', reject).listen(0, '127.0.0.1', () => {
        const { port } = probe.address();
        probe.close(() => resolve(port));
    });
});

const answers = (url) => new Promise((resolve) => {
    http.get(url, (response) => resolve(response.resume() !== null)).on('error', () => resolve(false));
});

const running = new Map(); // child -> its prefix
process.on('exit', () => running.forEach((prefix, child) => {
    child.kill('SIGKILL');
    fs.rmSync(prefix, { recursive: true, force: true });
}));
for (const signal of ['SIGINT', 'SIGTERM', 'SIGHUP']) {
    process.on(signal, () => process.exit(128 + os.constants.signals[signal]));
}

/**
 * Serves @p siteFolder at <url> = http://127.0.0.1:<free port>/games/tarnwick/
 * with nginx (@p options.nginx, else TARNWICK_NGINX, else nginx on PATH).
 * @returns { url, origin, close() }
 */
async function serveSite(siteFolder, { nginx = process.env.TARNWICK_NGINX || 'nginx' } = {}) {
    const prefix = fs.mkdtempSync(path.join(os.tmpdir(), 'tarnwick-nginx-'));
    const inPrefix = (name) => quoted(path.join(prefix, name));
    const port = await freePort();
    // nginx reads a $ in alias as a variable: the site is reached through a link.
    fs.symlinkSync(path.resolve(siteFolder), path.join(prefix, 'site'));
    // No master and no workers: the one process reads the site as this user,
    // root included, and nothing outlives a kill of it.
    fs.writeFileSync(path.join(prefix, 'nginx.conf'), `master_process off;
daemon off;
pid ${inPrefix('nginx.pid')};
error_log ${inPrefix('error.log')} warn;
events { worker_connections 64; }
http {
    access_log ${inPrefix('access.log')};
    client_body_temp_path ${inPrefix('body')};
    proxy_temp_path ${inPrefix('proxy')};
    fastcgi_temp_path ${inPrefix('fastcgi')};
    uwsgi_temp_path ${inPrefix('uwsgi')};
    scgi_temp_path ${inPrefix('scgi')};
    server {
        listen 127.0.0.1:${port};
        location ${kSubPath} {
            alias ${quoted(path.join(prefix, 'site/'))};
            include ${quoted(kShippedConfig)};
        }
    }
}
`);
    const child = spawn(nginx, ['-p', prefix, '-c', path.join(prefix, 'nginx.conf'), '-e', path.join(prefix, 'error.log')],
        { stdio: ['ignore', 'inherit', 'inherit'] });
    running.set(child, prefix);
    let ended = false;
    const exited = new Promise((resolve) => child.on('close', resolve)).then(() => { ended = true; });
    child.on('error', () => {});
    let closed = null;
    const close = () => {
        closed ||= (async () => {
            running.delete(child);
            child.kill('SIGKILL');
            await exited;
            fs.rmSync(prefix, { recursive: true, force: true });
        })();
        return closed;
    };
    const origin = `http://127.0.0.1:${port}`;
    for (let tries = 0; !(await answers(origin + kSubPath)); ++tries) {
        if (ended || tries === 400) {
            const log = fs.readFileSync(path.join(prefix, 'error.log'), { encoding: 'utf8', flag: 'a+' });
            await close();
            throw new Error(`nginx did not start: ${log}`);
        }
        await new Promise((resolve) => { setTimeout(resolve, 25); });
    }
    return { url: origin + kSubPath, origin, close };
}

module.exports = { serveSite };
