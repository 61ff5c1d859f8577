# SPDX-License-Identifier: GPL-3.0-or-later
# Draws the Lesson 1 window icon: a page with a title bar and a "</>" tag in
# the classic 16-colour palette, at 32x32 and 16x16. Regenerate with
#   python3 draw.py && for s in 16 32; do convert lesson1-$s.xpm PNG8:lesson1-$s.png; done
PAL = {'.': 'None', 'k': '#000000', 'w': '#FFFFFF', 'n': '#000080', 'r': '#FF0000',
       'b': '#0000FF', 'g': '#808080', 's': '#C0C0C0', 'y': '#FFFF00', 'e': '#008000'}

def line(grid, x0, y0, x1, y1, c, thick=1):
    dx, dy = abs(x1 - x0), -abs(y1 - y0)
    sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
    err = dx + dy
    while True:
        for t in range(thick):
            grid[y0][min(x0 + t, len(grid[0]) - 1)] = c
        if (x0, y0) == (x1, y1):
            break
        e2 = 2 * err
        if e2 >= dy:
            err += dy; x0 += sx
        if e2 <= dx:
            err += dx; y0 += sy

def rect(grid, x0, y0, x1, y1, c):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            grid[y][x] = c

def icon(size):
    g = [['.'] * size for _ in range(size)]
    if size == 32:
        rect(g, 2, 1, 29, 30, 'k'); rect(g, 3, 2, 28, 29, 'w')
        rect(g, 3, 2, 28, 6, 'n'); rect(g, 24, 3, 27, 5, 's'); rect(g, 19, 3, 22, 5, 's')
        line(g, 11, 10, 5, 16, 'r', 2); line(g, 5, 16, 11, 22, 'r', 2)
        line(g, 20, 10, 26, 16, 'r', 2); line(g, 26, 16, 20, 22, 'r', 2)
        line(g, 17, 9, 14, 23, 'b', 2)
        rect(g, 6, 25, 25, 25, 'g'); rect(g, 6, 27, 18, 27, 'g')
    else:
        rect(g, 1, 0, 14, 15, 'k'); rect(g, 2, 1, 13, 14, 'w')
        rect(g, 2, 1, 13, 3, 'n'); rect(g, 11, 2, 12, 2, 's')
        line(g, 6, 5, 3, 8, 'r'); line(g, 3, 8, 6, 11, 'r')
        line(g, 9, 5, 12, 8, 'r'); line(g, 12, 8, 9, 11, 'r')
        line(g, 8, 5, 7, 11, 'b')
        rect(g, 3, 13, 10, 13, 'g')
    used = sorted({c for row in g for c in row})
    out = ['/* XPM */', 'static char *icon[] = {', f'"{size} {size} {len(used)} 1",']
    out += [f'"{c} c {PAL[c]}",' for c in used]
    out += [f'"{"".join(row)}",' for row in g]
    out[-1] = out[-1].rstrip(',')
    out.append('};')
    return '\n'.join(out) + '\n'

for size in (32, 16):
    open(f'lesson1-{size}.xpm', 'w').write(icon(size))
