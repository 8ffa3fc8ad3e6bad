1[playlist]
File1=C:\music\a.mp3
Title1=A
Length1=215
File2=sub\b.mp3
File4=\\server\share\c.mp3
File5="quoted name.mp3"
NumberOfEntries=5
Version=2
