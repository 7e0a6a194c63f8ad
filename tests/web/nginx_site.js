'use strict';
// A private nginx serving a site folder at /games/tarnwick/ with the shipped
// configuration (packaging/web/tarnwick.conf), so that the tests see what
// hosts serve. Everything it writes lives in a prefix under TMPDIR; it runs
// as one process of this user, ended on close() and when Node ends.
//
//   const { url, origin, close } = await serveSite(siteFolder, { nginx });

const { spawn } = require('child_process');
const fs = require('fs');
const http = require('http');
const net = require('net');
const os = require('os');
const path = require('path');

const kShippedConfig = path.join(__dirname, '..', '..', 'packaging', 'web', 'tarnwick.conf');
const kSubPath = '/games/tarnwick/';

// nginx's quoting: a string in double quotes with \ and " escaped, so that
// any checkout path (spaces, commas, colons, semicolons) stays one argument.
const quoted = (text) => `"${text.replace(/[\\"]/g, (c) => `\\${c}`)}"`;

function freePort() {
    return new Promise((resolve, reject) => {
        const probe = net.createServer().on('error', reject);
        probe.listen(0, '127.0.0.1', () => {
            const { port } = probe.address();
            probe.close(() => resolve(port));
        });
    });
}

function answers(url) {
    return new Promise((resolve) => {
        http.get(url, (response) => { response.resume(); resolve(true); }).on('error', () => resolve(false));
    });
}

const running = new Set();
const endAll = () => { for (const child of running) { child.kill('SIGKILL'); } };
process.on('exit', endAll);
for (const signal of ['SIGINT', 'SIGTERM', 'SIGHUP']) {
    process.on(signal, () => { endAll(); process.exit(128 + os.constants.signals[signal]); });
}

/**
 * Serves @p siteFolder at http://127.0.0.1:<free port>/games/tarnwick/.
 * @param options.nginx the nginx binary (TARNWICK_NGINX, else nginx on PATH)
 * @returns { url, origin, close() }
 */
async function serveSite(siteFolder, { nginx = process.env.TARNWICK_NGINX || 'nginx' } = {}) {
    const prefix = fs.mkdtempSync(path.join(os.tmpdir(), 'tarnwick-nginx-'));
    const port = await freePort();
    const inPrefix = (name) => quoted(path.join(prefix, name));
    const site = path.resolve(siteFolder) + '/';
    // One process (no master, no workers): it reads the site as this user,
    // root included, and nothing outlives a kill of it.
    fs.writeFileSync(path.join(prefix, 'nginx.conf'), `
master_process off;
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
            alias ${quoted(site)};
            include ${quoted(kShippedConfig)};
        }
    }
}
`);
    const child = spawn(nginx, ['-p', prefix, '-c', path.join(prefix, 'nginx.conf'), '-e', path.join(prefix, 'error.log')],
        { stdio: ['ignore', 'inherit', 'inherit'] });
    running.add(child);
    const exited = new Promise((resolve) => child.on('exit', resolve));
    child.on('error', () => {});
    const origin = `http://127.0.0.1:${port}`;
    let closed = null;
    const close = () => {
        closed = closed || (async () => {
            running.delete(child);
            child.kill('SIGKILL');
            await exited;
            fs.rmSync(prefix, { recursive: true, force: true });
        })();
        return closed;
    };
    let ended = false;
    exited.then(() => { ended = true; });
    for (let tries = 0; !(await answers(origin + kSubPath)); ++tries) {
        if (ended || tries > 200) {
            const log = fs.existsSync(path.join(prefix, 'error.log'))
                ? fs.readFileSync(path.join(prefix, 'error.log'), 'utf8') : '';
            await close();
            throw new Error(`nginx did not start: ${log}`);
        }
        await new Promise((resolve) => { setTimeout(resolve, 25); });
    }
    return { url: origin + kSubPath, origin, close };
}

module.exports = { serveSite };
