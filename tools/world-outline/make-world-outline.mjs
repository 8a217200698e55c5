// Derives the status page's world outline (coastlines and country borders) from world-atlas's
// TopoJSON of Natural Earth's 1:50m countries: every arc once, simplified (Douglas-Peucker),
// in hundredths of a degree, each line as its first point and then the differences.
//   node make-world-outline.mjs PATH/TO/world-atlas/package OUTPUT.json
// scripts/make-world-outline.sh fetches world-atlas and runs this; its output is committed.
import { readFileSync, writeFileSync } from "node:fs";

const [packageDir, output] = process.argv.slice(2);
const pkg = JSON.parse(readFileSync(`${packageDir}/package.json`, "utf8"));
const topology = JSON.parse(readFileSync(`${packageDir}/countries-50m.json`, "utf8"));
const tolerance = 0.02; // degrees
const unit = 100; // points in hundredths of a degree

// The arcs in degrees: TopoJSON quantizes them and stores each point as a difference.
const [sx, sy] = topology.transform.scale;
const [tx, ty] = topology.transform.translate;
const arcs = topology.arcs.map((arc) => {
  let x = 0, y = 0;
  return arc.map(([dx, dy]) => { x += dx; y += dy; return [x * sx + tx, y * sy + ty]; });
});

// An arc that two countries share is a border; one that only one country has is a coast.
const uses = new Array(arcs.length).fill(0);
const visit = (a) => Array.isArray(a) ? a.forEach(visit) : uses[a < 0 ? ~a : a]++;
for (const geometry of topology.objects.countries.geometries)
  if (geometry.arcs) visit(geometry.arcs);

function simplify(points) {
  const keep = new Array(points.length).fill(false);
  keep[0] = keep[points.length - 1] = true;
  const stack = [[0, points.length - 1]];
  while (stack.length) {
    const [first, last] = stack.pop();
    const [ax, ay] = points[first], [bx, by] = points[last];
    const length = Math.hypot(bx - ax, by - ay);
    let worst = -1, index = -1;
    for (let i = first + 1; i < last; i++) {
      const [px, py] = points[i];
      const d = length === 0 ? Math.hypot(px - ax, py - ay)
                             : Math.abs((bx - ax) * (ay - py) - (ax - px) * (by - ay)) / length;
      if (d > worst) { worst = d; index = i; }
    }
    if (worst > tolerance) { keep[index] = true; stack.push([first, index], [index, last]); }
  }
  return points.filter((_, i) => keep[i]);
}

// A line that crosses the antimeridian is cut there, so that no segment spans the map, and the
// points south of 85 degrees south (Antarctica's edge along the pole, beyond a Mercator map) are
// left out.
function encode(points) {
  const lines = [];
  let line = null, px = 0, py = 0;
  for (const [lon, lat] of points) {
    const x = Math.round(lon * unit), y = Math.round(lat * unit);
    if (lat < -85) { line = null; continue; }
    if (line && Math.abs(x - px) > 180 * unit) line = null;
    if (!line) { line = [x, y]; lines.push(line); }
    else if (x !== px || y !== py) line.push(x - px, y - py);
    px = x; py = y;
  }
  return lines.filter((l) => l.length >= 4);
}

const coast = [], border = [];
arcs.forEach((arc, i) => {
  if (uses[i] > 0) (uses[i] > 1 ? border : coast).push(...encode(simplify(arc)));
});
const outline = {
  source: `Natural Earth 1:50m countries, public domain (naturalearthdata.com), ` +
          `from the npm package world-atlas ${pkg.version}, simplified to ${tolerance} degrees`,
  unit: 1 / unit, coast, border,
};
writeFileSync(output, JSON.stringify(outline) + "\n");
const points = [...coast, ...border].reduce((n, l) => n + l.length / 2, 0);
console.log(`${output}: ${coast.length} coast and ${border.length} border lines, ${points} points`);
