(function () {
  if (window.__nblExportBridge) return;
  window.__nblExportBridge = true;

  function isExportHref(href) {
    return href.startsWith("blob:") || href.startsWith("data:");
  }

  function deliver(href, name) {
    fetch(href)
      .then(function (response) { return response.blob(); })
      .then(function (blob) {
        var reader = new FileReader();
        reader.onloadend = function () {
          if (reader.error) return;
          window.webkit.messageHandlers.NBL_HANDLER_NAME.postMessage({
            name: name || "download",
            data: reader.result
          });
        };
        reader.readAsDataURL(blob);
      });
  }

  document.addEventListener("click", function (event) {
    var target = event.target;
    var link = target && typeof target.closest === "function" ? target.closest("a[download]") : null;
    if (!link || !isExportHref(link.getAttribute("href") || "")) return;
    event.preventDefault();
    deliver(link.href, link.getAttribute("download"));
  }, true);

  // Exporters often click an anchor that never joins the document, which no
  // document listener sees.
  var previousClick = HTMLAnchorElement.prototype.click;
  HTMLAnchorElement.prototype.click = function () {
    if (this.hasAttribute("download") && isExportHref(this.getAttribute("href") || "")) {
      deliver(this.href, this.getAttribute("download"));
      return;
    }
    return previousClick.apply(this, arguments);
  };
})();
