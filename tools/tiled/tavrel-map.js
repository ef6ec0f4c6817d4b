/*
 * Opens and saves Quennick's Tavrel map files (.map) in Tiled, with the same mapping as
 * `tavrel-map import` and `tavrel-map export` (docs/maps.md): tile layers "ground", "layer2" and
 * "block" (a block value v > 0 is tile v - 1, so the first tile blocks), an object layer "exits"
 * of one-cell rectangles with the properties map, arrivalx and arrivaly, and the map properties
 * startx, starty and tilesetfile; the background is Tiled's background colour. What the game
 * can't represent is refused with what and where, never dropped.
 *
 * Install: copy this file into Tiled's extensions folder (Edit > Preferences > Plugins >
 * Extensions: "Open..."), then File > Open a .map file.
 */
var RESOURCE_DIR = "Tavrel.app/Contents/Resources/";
var TILE = 16;

function folderOf(path) {
    var slash = path.lastIndexOf("/");
    return slash < 0 ? "" : path.substring(0, slash + 1);
}

function baseName(path) {
    return path.substring(Math.max(path.lastIndexOf("/"), path.lastIndexOf("\\")) + 1);
}

// C's atoi and atof, as the game reads numbers: 0 when no number starts the text.
function toInt(text) {
    var v = parseInt(text, 10);
    return isNaN(v) ? 0 : v;
}
function toFloat(text) {
    var v = parseFloat(text);
    return isNaN(v) ? 0 : Math.fround(v);
}

// C's "%.<digits>g".
function formatG(value, digits) {
    if (value === 0) return (1 / value < 0) ? "-0" : "0";
    var exponent = Math.floor(Math.log10(Math.abs(value)));
    var text = value.toPrecision(digits);
    // toPrecision may round up into the next power of ten.
    var e = text.indexOf("e");
    exponent = e >= 0 ? parseInt(text.substring(e + 1), 10) : Math.floor(Math.log10(Math.abs(parseFloat(text))));
    if (exponent < -4 || exponent >= digits) {
        var mantissa = value.toExponential(digits - 1);
        var parts = mantissa.split("e");
        var m = parts[0].indexOf(".") >= 0 ? parts[0].replace(/0+$/, "").replace(/\.$/, "") : parts[0];
        var x = parseInt(parts[1], 10);
        return m + "e" + (x < 0 ? "-" : "+") + (Math.abs(x) < 10 ? "0" : "") + Math.abs(x);
    }
    text = value.toFixed(Math.max(0, digits - 1 - exponent));
    if (text.indexOf(".") >= 0) text = text.replace(/0+$/, "").replace(/\.$/, "");
    return text;
}

// The shortest text that reads back as the same single-precision value, "%g" first.
function formatFloat(value) {
    value = Math.fround(value);
    for (var digits = 6; digits < 9; ++digits) {
        var text = formatG(value, digits);
        if (Math.fround(parseFloat(text)) === value) return text;
    }
    return formatG(value, 9);
}

function readTavrelMap(fileName) {
    var file = new TextFile(fileName, TextFile.ReadOnly);
    var text = file.readAll();
    file.close();
    if (text.indexOf("\r") >= 0)
        throw new Error(fileName + " has CR LF line ends, which the game can't read; run tavrel-map check on it");
    var lines = text.split("\n");
    var at = 0;
    function next(what) {
        if (at >= lines.length || (at === lines.length - 1 && lines[at] === ""))
            throw new Error(fileName + ": the file ends at line " + at + ", where " + what + " should be; run tavrel-map check on it");
        return lines[at++];
    }
    var tilesetfile = next("the tile-set path");
    var w = toInt(next("the number of columns")), h = toInt(next("the number of rows"));
    var startx = toFloat(next("the start x")), starty = toFloat(next("the start y"));
    var layer2 = toInt(next("the second-layer flag")), count = toInt(next("the number of exits"));
    var colour = next("the background colour").split(" ").map(toInt);
    next("a separator");
    if (w < 1 || h < 1 || w > 4096 || h > 4096)
        throw new Error(fileName + ": a map is 1 to 4096 cells each way, not " + w + " by " + h);
    if (layer2 !== 0 && layer2 !== 1)
        throw new Error(fileName + ":6: the second-layer flag is " + layer2 + "; write 0 or 1");
    function grid(name) {
        var rows = [];
        for (var r = 0; r < h; ++r) {
            var values = next(name + " row " + (r + 1)).split(" ").map(toInt);
            while (values.length < w) values.push(0);
            rows.push(values.slice(0, w));
        }
        return rows;
    }
    var ground = grid("ground");
    next("a separator");
    var block = grid("block map");
    var second = null;
    if (layer2) {
        next("a separator");
        second = grid("second layer");
    }
    var exits = [];
    if (count > 0) {
        next("a separator");
        for (var i = 0; i < count; ++i) {
            var f = next("exit " + (i + 1)).split(" ");
            exits.push({x: toInt(f[0]), y: toInt(f[1]), ax: toFloat(f[2]), ay: toFloat(f[3]), map: f[4] || ""});
        }
    }

    var map = new TileMap();
    map.setSize(w, h);
    map.setTileSize(TILE, TILE);
    map.orientation = TileMap.Orthogonal;
    for (var k = 0; k < 3; ++k)
        if (!(colour[k] >= 0 && colour[k] <= 255))
            throw new Error(fileName + ":8: the background colour has a value outside 0 to 255");
    map.backgroundColor = "#" + colour.map(function (c) { return (c < 16 ? "0" : "") + c.toString(16); }).join("");
    map.setProperty("startx", startx);
    map.setProperty("starty", starty);
    map.setProperty("tilesetfile", tilesetfile);

    var image = tilesetfile.indexOf(RESOURCE_DIR) === 0 ? folderOf(fileName) + tilesetfile.substring(RESOURCE_DIR.length)
                                                         : folderOf(fileName) + baseName(tilesetfile);
    var name = baseName(image);
    var tileset = new Tileset(name.indexOf(".") > 0 ? name.substring(0, name.lastIndexOf(".")) : name);
    tileset.setTileSize(TILE, TILE);
    tileset.image = image;
    if (tileset.tileCount === 0) throw new Error(fileName + ":1: the tile-set image " + image + " can't be loaded");
    map.addTileset(tileset);

    function addLayer(name, rows, tileOf, opacity) {
        var layer = new TileLayer(name);
        layer.width = w;
        layer.height = h;
        if (opacity !== undefined) layer.opacity = opacity;
        var edit = layer.edit();
        for (var r = 0; r < h; ++r)
            for (var c = 0; c < w; ++c) {
                var index = tileOf(rows[r][c]);
                if (index < 0) continue;
                var tile = tileset.tile(index);
                if (!tile)
                    throw new Error(fileName + ": " + name + " row " + (r + 1) + ", column " + c + " names tile " + index +
                                    ", which the tile set doesn't have; run tavrel-map check on it");
                edit.setTile(c, r, tile);
            }
        edit.apply();
        map.addLayer(layer);
    }
    addLayer("ground", ground, function (v) {
        if (v < 0) throw new Error(fileName + ": the ground holds " + v + ", which names no tile");
        return v;
    });
    if (second) addLayer("layer2", second, function (v) {
        if (v < -1) throw new Error(fileName + ": the second layer holds " + v + "; write -1 for an empty cell");
        return v;
    });
    addLayer("block", block, function (v) {
        if (v < 0) throw new Error(fileName + ": the block map holds " + v + "; write 0 for a free cell");
        return v - 1;
    }, 0.5);

    var group = new ObjectGroup("exits");
    group.color = "#ffe628";
    exits.forEach(function (e) {
        var o = new MapObject(e.map);
        o.x = e.x * TILE;
        o.y = (h - 1 - e.y) * TILE;
        o.width = TILE;
        o.height = TILE;
        o.setProperty("map", e.map);
        o.setProperty("arrivalx", e.ax);
        o.setProperty("arrivaly", e.ay);
        group.addObject(o);
    });
    map.addLayer(group);
    return map;
}

function writeTavrelMap(map, fileName) {
    if (map.orientation !== TileMap.Orthogonal) return "the map is not orthogonal; the game draws orthogonal maps only";
    if (map.infinite) return "the map is infinite; turn off Map Properties > Infinite";
    if (map.tileWidth !== TILE || map.tileHeight !== TILE)
        return "the map's tiles are " + map.tileWidth + " by " + map.tileHeight + " pixels; the game's are 16 by 16";
    if (map.tilesets.length !== 1)
        return "the map has " + map.tilesets.length + " tile sets; the game draws from one tile-set image";
    var tileset = map.tilesets[0];
    if (tileset.isCollection || !tileset.image) return "tile set \"" + tileset.name + "\" is a collection of images; the game needs one image";
    if (tileset.tileWidth !== TILE || tileset.tileHeight !== TILE || tileset.margin || tileset.tileSpacing)
        return "tile set \"" + tileset.name + "\" must cut 16 by 16 tiles edge to edge, without margin or spacing";
    var w = map.width, h = map.height;
    var grids = {}, exits = [];
    for (var i = 0; i < map.layerCount; ++i) {
        var layer = map.layerAt(i);
        if (layer.isTileLayer) {
            if (["ground", "layer2", "block"].indexOf(layer.name) < 0)
                return "tile layer \"" + layer.name + "\": the game has only the tile layers ground, layer2 and block";
            if (grids[layer.name]) return "two tile layers are named \"" + layer.name + "\"; merge them";
            if (layer.offset.x || layer.offset.y) return "tile layer \"" + layer.name + "\" is shifted by an offset";
            var rows = [];
            for (var y = 0; y < h; ++y) {
                var row = [];
                for (var x = 0; x < w; ++x) {
                    var cell = layer.cellAt(x, y);
                    var where = "tile layer \"" + layer.name + "\", column " + x + " row " + y + " from the top";
                    if (cell.flippedHorizontally || cell.flippedVertically || cell.flippedAntiDiagonally || cell.rotatedHexagonal120)
                        return where + ": the tile is flipped or rotated; the game draws tiles only as the image has them";
                    var id = cell.tileId;
                    if (id >= 0 && cell.tileset !== tileset && layer.tileAt(x, y).tileset !== tileset)
                        return where + ": the tile is from another tile set";
                    if (layer.name === "ground") {
                        if (id < 0) return where + " is empty; the ground needs a tile in every cell";
                        row.push(id);
                    } else if (layer.name === "layer2") {
                        row.push(id < 0 ? -1 : id);
                    } else {
                        row.push(id < 0 ? 0 : id + 1);
                    }
                }
                rows.push(row.join(" "));
            }
            grids[layer.name] = rows;
        } else if (layer.isObjectLayer) {
            if (layer.name !== "exits") return "object layer \"" + layer.name + "\": the game has only the object layer exits";
            if (exits.seen) return "two object layers are named \"exits\"; merge them";
            exits.seen = true;
            for (var j = 0; j < layer.objectCount; ++j) {
                var o = layer.objectAt(j);
                var what = "exit object " + o.id + (o.name ? " \"" + o.name + "\"" : "");
                if (o.tile) return what + " is a tile object; an exit is a rectangle or a point on one cell";
                if (o.shape !== MapObject.Rectangle && o.shape !== MapObject.Point)
                    return what + " is not a rectangle; an exit is a rectangle or a point on one cell";
                if (o.rotation) return what + " is rotated";
                var col = Math.floor(o.x / TILE), r = Math.floor(o.y / TILE);
                if (Math.floor((o.x + Math.max(o.width, 0.001) - 0.001) / TILE) !== col ||
                    Math.floor((o.y + Math.max(o.height, 0.001) - 0.001) / TILE) !== r)
                    return what + " covers more than one cell; draw one 16 by 16 rectangle per cell";
                var target = o.property("map");
                if (!target) return what + " has no property \"map\": add it, naming the target map file";
                if (/[ \r\n]/.test(target)) return what + ": the target map holds a space or line break";
                var ax = o.property("arrivalx"), ay = o.property("arrivaly");
                if (typeof ax !== "number" || typeof ay !== "number")
                    return what + " needs the float properties arrivalx and arrivaly";
                exits.push([col, h - 1 - r, formatFloat(ax), formatFloat(ay), target].join(" "));
            }
        } else {
            return "layer \"" + layer.name + "\": the game has no image layers or layer groups";
        }
    }
    if (!grids.ground) return "the map has no tile layer named \"ground\"";
    if (!grids.block) return "the map has no tile layer named \"block\"";
    var sx = map.property("startx"), sy = map.property("starty");
    if (typeof sx !== "number" || typeof sy !== "number") return "the map needs the float properties startx and starty";
    var image = String(tileset.image), written = map.property("tilesetfile");
    var tilesetfile = written && baseName(written) === baseName(image) ? written : RESOURCE_DIR + baseName(image);
    var colour = String(map.backgroundColor);
    var rgb = [0, 0, 0];
    if (/^#[0-9a-fA-F]{6}$/.test(colour)) rgb = [1, 3, 5].map(function (k) { return parseInt(colour.substr(k, 2), 16); });
    else if (/^#[fF]{2}[0-9a-fA-F]{6}$/.test(colour)) rgb = [3, 5, 7].map(function (k) { return parseInt(colour.substr(k, 2), 16); });
    else if (/^#[0-9a-fA-F]{8}$/.test(colour)) return "the map's background colour is translucent; the game's is opaque";

    var out = [tilesetfile, w, h, formatFloat(sx), formatFloat(sy), grids.layer2 ? 1 : 0, exits.length, rgb.join(" "), "ground"];
    out = out.concat(grids.ground, ["block"], grids.block);
    if (grids.layer2) out = out.concat(["layer2"], grids.layer2);
    if (exits.length) out = out.concat(["exits"], exits);
    var file = new TextFile(fileName, TextFile.WriteOnly);
    file.write(out.join("\n") + "\n");
    file.commit();
    return undefined;
}

tiled.registerMapFormat("tavrel", {
    name: "Quennick's Tavrel map (*.map)",
    extension: "map",
    read: readTavrelMap,
    // Tiled shows the returned refusal in its dialog; the console line is what a command-line
    // export (tiled --export-map) prints, which otherwise says only that the export failed.
    write: function (map, fileName) {
        var refusal = writeTavrelMap(map, fileName);
        if (refusal) console.error(fileName + ": " + refusal);
        return refusal;
    },
});
