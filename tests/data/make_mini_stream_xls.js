// Rebuilds mini_stream.xls: a very small legacy .xls whose workbook stream sits in the compound
// file's mini stream, as some programs write it; the reader must find it there. Needs the npm package "xlsx" (npm install xlsx@0.18.5), then: node make_mini_stream_xls.js
const XLSX = require('xlsx');
const sheet = XLSX.utils.aoa_to_sheet([["学号", "姓名"], [110101, "张三"], [110102, "李四"]]);
const book = XLSX.utils.book_new();
XLSX.utils.book_append_sheet(book, sheet, "Sheet1");
XLSX.writeFile(book, __dirname + "/mini_stream.xls", {bookType: "biff8"});
