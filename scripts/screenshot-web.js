'use strict';
// Writes the README's pictures of the game's page from headless Chromium:
// web.png (a desktop browser), web-phone.png (a phone, at twice the density),
// web-phone-rules-360.png and web-phone-rules-390.png (the rules open on two
// phones' viewports) and keyboard-web.png (the board played from the keyboard).
//
//   node screenshot-web.js <site folder> <output folder>

const path = require('node:path');
const { siteFolderArgument, launch, mouseDrag, play, serve, waitForGame } =
    require('../tests/web/page_driver.js');

// The README's pictures: the game after a setup move, a jump and a peg picked
// up, by the mouse, and for keyboard-web.png by the keyboard from Start Game
// (Tab to the board, the peg of hole 2 held over hole 4).
async function screenshots(engine, siteFolder, outFolder) {
    const views = [
        { file: 'web.png', viewport: { width: 560, height: 460 } },
        { file: 'web-phone.png', viewport: { width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true },
            clip: { x: 0, y: 0, width: 390, height: 360 } },
        ...[[360, 640], [390, 844]].map(([width, height]) => ({
            file: `web-phone-rules-${width}.png`, rules: true,
            viewport: { width, height, deviceScaleFactor: 2, isMobile: true, hasTouch: true } })),
        { file: 'keyboard-web.png', viewport: { width: 560, height: 460 },
            keys: ['Tab', 'Tab', 'Tab', 'Home', 'ArrowRight', 'Space', 'ArrowDown'] },
    ];
    const server = await serve(siteFolder);
    try {
        for (const view of views) {
            const page = await engine.newPage();
            await page.setViewport(view.viewport);
            await page.goto(server.url + 'index.html');
            await waitForGame(page);
            await page.mouse.click(1, 1);
            await play(page, [[6, 15]]);
            await page.click('#command1');
            await mouseDrag(page, 4, 6);
            if (view.keys) {
                await page.focus('#command1');
                for (const key of view.keys) {
                    await page.keys.press(key);
                }
            } else if (view.rules) {
                await page.tap('#command2');
                await page.evaluate(() => document.activeElement.blur());
            } else {
                await page.evaluate(() => document.activeElement.blur());
            }
            await page.screenshot(path.join(outFolder, view.file), view.clip);
            console.log(path.join(outFolder, view.file));
            await page.close();
        }
    } finally {
        await server.close();
    }
}


async function main() {
    const siteFolder = siteFolderArgument('node screenshot-web.js <site folder with index.html> <output folder>');
    const engine = await launch('chromium');
    try {
        await screenshots(engine, siteFolder, process.argv[3]);
    } finally {
        await engine.close();
    }
}

main().catch((error) => {
    console.error(error);
    process.exitCode = 1;
});
