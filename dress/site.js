// The site's script, loaded by every page after the contents file: puts the
// contents into the page, marks and shows the current entry, folds the
// contents on narrow screens, searches the text of every page and moves to
// the previous and next page with the arrow keys. It needs no server: the
// contents and the search index are scripts of the site, not fetched files.
(function () {
  "use strict";
  var site = window.quillerySite || {};
  var script = document.currentScript;
  var pageFile = (script && script.getAttribute("data-page")) ||
      decodeURIComponent(location.pathname.split("/").pop());
  var wide = window.matchMedia("(min-width: 832px)");

  function fileOf(href) { return (href || "").split("#")[0]; }

  // The nearest box around `element` that scrolls its content vertically.
  function scrollBox(element) {
    for (var box = element.parentElement; box; box = box.parentElement) {
      var overflow = getComputedStyle(box).overflowY;
      if ((overflow === "auto" || overflow === "scroll") &&
          box.scrollHeight > box.clientHeight) {
        return box;
      }
    }
    return null;
  }

  // Scrolls the contents, not the window, to show `link` a third of the way
  // down its box.
  function reveal(link) {
    var box = link && scrollBox(link);
    if (!box) return;
    var top = link.getBoundingClientRect().top - box.getBoundingClientRect().top;
    box.scrollTop += top - box.clientHeight / 3;
  }

  function showContents() {
    var toc = document.getElementById("q-toc");
    var fold = document.getElementById("q-fold");
    if (!toc || typeof site.contents !== "string") return;
    toc.innerHTML = site.contents;
    var current = null;
    var links = toc.getElementsByTagName("a");
    for (var i = 0; i < links.length; i++) {
      if (fileOf(links[i].getAttribute("href")) === pageFile) {
        links[i].setAttribute("aria-current", "page");
        if (!current) current = links[i];
      }
    }
    if (!fold) return;
    var fit = function () {
      fold.open = wide.matches;
      reveal(current);
    };
    fit();
    if (wide.addEventListener) wide.addEventListener("change", fit);
    fold.addEventListener("toggle", function () {
      if (fold.open) reveal(current);
    });
  }

  // Character references as the index keeps them, read once each.
  var named = { amp: "&", lt: "<", gt: ">", quot: "\"", apos: "'", nbsp: "\u00a0" };
  var scratch = document.createElement("textarea");
  function decode(text) {
    if (text.indexOf("&") < 0) return text;
    return text.replace(/&(#[xX][0-9a-fA-F]+|#[0-9]+|[A-Za-z][A-Za-z0-9]*);/g,
      function (whole, name) {
        if (name.charAt(0) === "#") {
          var hex = name.charAt(1) === "x" || name.charAt(1) === "X";
          var code = parseInt(name.slice(hex ? 2 : 1), hex ? 16 : 10);
          try { return String.fromCodePoint(code); } catch (e) { return whole; }
        }
        if (!(name in named)) {
          scratch.innerHTML = whole;
          named[name] = scratch.value;
        }
        return named[name];
      });
  }

  // The fixed literal and length code of DEFLATE, by the next 9 bits of the
  // stream (lowest first): the symbol times 16 plus the code's length.
  var fixedCodes = (function() {
    var table = new Int32Array(512);
    function add(symbol, code, length) {
      var reversed = 0;
      for (var bit = 0; bit < length; bit++)
        reversed = (reversed << 1) | ((code >> bit) & 1);
      for (var rest = 0; rest < 512 >> length; rest++) {
        table[reversed | (rest << length)] = symbol * 16 + length;
      }
    }
    for (var symbol = 0; symbol < 288; symbol++) {
      if (symbol < 144)
        add(symbol, 0x30 + symbol, 8);
      else if (symbol < 256)
        add(symbol, 0x190 + symbol - 144, 9);
      else if (symbol < 280)
        add(symbol, symbol - 256, 7);
      else
        add(symbol, 0xc0 + symbol - 280, 8);
    }
    return table;
  })();
  var lengthBase = [
    3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
    31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258
  ];
  var lengthExtra = [
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
    2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0
  ];
  var distanceBase = [
    1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577
  ];
  var distanceExtra = [
    0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13
  ];

  // Inflates a raw DEFLATE stream of fixed-code blocks (those the program
  // writes), given as a string of bytes, to its `size` bytes.
  function inflate(data, size) {
    var out = new Uint8Array(size);
    var made = 0, at = 0, bits = 0, count = 0;
    function need(n) {
      while (count < n) {
        if (at > data.length + 4) throw new Error('the index is cut off');
        bits |= (at < data.length ? data.charCodeAt(at) : 0) << count;
        at++;
        count += 8;
      }
    }
    function take(n) {
      need(n);
      var value = bits & ((1 << n) - 1);
      bits >>>= n;
      count -= n;
      return value;
    }
    var last = 0;
    while (!last) {
      last = take(1);
      var type = take(2);
      if (type !== 1) throw new Error('the index has an unknown block');
      for (;;) {
        need(9);
        var entry = fixedCodes[bits & 511];
        bits >>>= entry&15;
        count -= entry & 15;
        var symbol = entry >> 4;
        if (symbol < 256) {
          if (made >= size) throw new Error('the index is too long');
          out[made++] = symbol;
          continue;
        }
        if (symbol === 256) break;
        var code = symbol - 257;
        if (code > 28) throw new Error('the index has a bad length');
        var copy = lengthBase[code] + take(lengthExtra[code]);
        var reversed = take(5);
        var distanceCode = 0;
        for (var bit = 0; bit < 5; bit++)
          distanceCode = (distanceCode << 1) | ((reversed >> bit) & 1);
        if (distanceCode > 29) throw new Error('the index has a bad distance');
        var from = made - distanceBase[distanceCode] -
            take(distanceExtra[distanceCode]);
        if (from < 0 || made + copy > size)
          throw new Error('the index is damaged');
        while (copy-- > 0) out[made++] = out[from++];
      }
    }
    if (made !== size) throw new Error('the index is cut off');
    return out;
  }

  // The index's bytes as text, read in the page's character set, as the
  // pages' text was written.
  function bytesToText(bytes) {
    if (window.TextDecoder) {
      try {
        return new TextDecoder(document.characterSet).decode(bytes);
      } catch (e) { /* a set the decoder does not know: bytes as they are */
      }
    }
    var text = '';
    for (var i = 0; i < bytes.length; i += 8192) {
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
    }
    return text;
  }

  // The search box goes first in the contents column; without the script
  // there is nothing to search with, so the page shows none.
  function makeSearchBox() {
    var nav = document.querySelector(".q-contents");
    if (!nav) return null;
    var form = document.createElement("form");
    form.className = "q-search";
    form.setAttribute("role", "search");
    var input = document.createElement("input");
    input.type = "search";
    input.id = "q-search";
    input.placeholder = "Search";
    input.autocomplete = "off";
    input.setAttribute("aria-label", "Search the document");
    var results = document.createElement("div");
    results.id = "q-results";
    results.setAttribute("aria-live", "polite");
    form.appendChild(input);
    form.appendChild(results);
    nav.insertBefore(form, nav.firstChild);
    return form;
  }

  function setUpSearch() {
    if (!site.index) return;
    var form = makeSearchBox();
    if (!form) return;
    var input = form.elements[0];
    var results = form.lastChild;
    var pages = null;
    var loading = false;
    var timer = 0;

    // The index: the pages' records, each field ended by "\x1f" and each
    // record by "\x1e", deflated and in base64.
    window.quillerySearchIndex = function(size, packed) {
      var records;
      try {
        records = bytesToText(inflate(atob(packed), size)).split('\x1e');
      } catch (e) {
        failed();
        return;
      }
      pages = [];
      for (var i = 0; i + 1 < records.length; i++) {
        var fields = records[i].split('\x1f');
        var text = decode(fields[2]);
        pages.push({
          file: fields[0],
          title: decode(fields[1]),
          text: text,
          lower: text.toLowerCase()
        });
      }
      search();
    };
    function failed() {
      results.innerHTML = '';
      var p = document.createElement('p');
      p.textContent = 'The search index could not be loaded.';
      results.appendChild(p);
    }
    function load() {
      if (pages || loading) return;
      loading = true;
      var index = document.createElement("script");
      index.src = site.index;
      index.onerror = failed;
      document.head.appendChild(index);
    }

    function excerpt(page, at, length) {
      var from = Math.max(0, at - 60);
      var to = Math.min(page.text.length, at + length + 90);
      var span = document.createElement("span");
      span.appendChild(document.createTextNode(
          (from > 0 ? "\u2026" : "") + page.text.slice(from, at)));
      var mark = document.createElement("mark");
      mark.textContent = page.text.slice(at, at + length);
      span.appendChild(mark);
      span.appendChild(document.createTextNode(
          page.text.slice(at + length, to) + (to < page.text.length ? "\u2026" : "")));
      return span;
    }

    function search() {
      var query = input.value.replace(/\s+/g, " ").trim().toLowerCase();
      results.innerHTML = "";
      results.removeAttribute("data-query");
      if (!query) return;
      if (!pages) {
        load();
        return;
      }
      var list = document.createElement("ol");
      var found = 0;
      for (var i = 0; i < pages.length; i++) {
        var page = pages[i];
        var at = page.lower.indexOf(query);
        if (at < 0 && page.title.toLowerCase().indexOf(query) < 0) continue;
        if (++found > 50) continue;
        var item = document.createElement("li");
        var link = document.createElement("a");
        link.href = page.file;
        var title = document.createElement("strong");
        title.textContent = page.title;
        link.appendChild(title);
        if (at >= 0) link.appendChild(excerpt(page, at, query.length));
        item.appendChild(link);
        list.appendChild(item);
      }
      var summary = document.createElement("p");
      summary.textContent = found === 0 ? "No page holds \u201c" + input.value.trim() + "\u201d." :
          found === 1 ? "1 page" : found > 50 ? found + " pages, the first 50 shown" : found + " pages";
      results.appendChild(summary);
      if (found > 0) results.appendChild(list);
      // What the results are for, once shown: typing runs ahead of them.
      results.setAttribute("data-query", query);
    }

    input.addEventListener("focus", load);
    input.addEventListener("input", function () {
      clearTimeout(timer);
      timer = setTimeout(search, 120);
    });
    input.addEventListener("keydown", function (event) {
      if (event.key === "Escape") {
        input.value = "";
        results.innerHTML = "";
      }
    });
    form.addEventListener("submit", function (event) {
      event.preventDefault();
      var first = results.querySelector("a");
      if (first) location.href = first.href;
    });
  }

  // Left and right arrows go to the previous and next page, unless the
  // focus is in a field or a modifier is held.
  document.addEventListener("keydown", function (event) {
    if (event.defaultPrevented || event.altKey || event.ctrlKey ||
        event.metaKey || event.shiftKey) {
      return;
    }
    var target = event.target;
    if (target && (target.isContentEditable ||
                   /^(INPUT|TEXTAREA|SELECT)$/.test(target.tagName))) {
      return;
    }
    var rel = event.key === "ArrowLeft" ? "prev" :
        event.key === "ArrowRight" ? "next" : "";
    var link = rel && document.querySelector("link[rel=\"" + rel + "\"]");
    if (!link) return;
    event.preventDefault();
    location.href = link.href;
  });

  showContents();
  setUpSearch();
})();
